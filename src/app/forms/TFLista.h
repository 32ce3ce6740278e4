#pragma once

#include <QDialog>

class QPlainTextEdit;
class QProgressBar;

namespace qal {

// The shared list window: a caption, lines of text and a progress bar for the scan that fills it.
class TFLista : public QDialog
{
    Q_OBJECT

public:
    explicit TFLista(QWidget *parent = nullptr);

    void clear();
    void addLine(const QString &line);
    QStringList lines() const;
    void setRange(int minimum, int maximum);
    void setPosition(int value);

private:
    QPlainTextEdit *m_text;
    QProgressBar *m_bar;
};

} // namespace qal
