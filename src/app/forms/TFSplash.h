#pragma once

#include <QWidget>

namespace qal {

// The start-up picture: a borderless 480 × 300 window, centred. Created at start and kept;
// the live-scan configuration closes it when it opens.
class TFSplash : public QWidget
{
    Q_OBJECT

public:
    explicit TFSplash(QWidget *parent = nullptr);
};

} // namespace qal
