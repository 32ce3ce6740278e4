#pragma once

#include "data/Progress.h"

#include <QDialog>

class QProgressBar;

namespace qal {

// A small always-on-top window with a progress bar 0..100 and no border icons, used by the
// index rebuild and the purge of old answers.
class ProgressWindow : public QDialog, public Progress
{
    Q_OBJECT

public:
    ProgressWindow(const QString &title, const QString &label, QWidget *parent = nullptr);
    // Shows the window and returns once it is on screen and painted: the work that follows
    // keeps the event loop from running, and a window mapped a moment after show() would
    // stay blank, or off the screen, until the work's first progress.
    void showAtOnce();
    void setProgress(int percent) override;

private:
    QProgressBar *m_bar;
};

} // namespace qal
