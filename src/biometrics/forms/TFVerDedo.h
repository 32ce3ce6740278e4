#pragma once

#include <QDialog>

class QLabel;

namespace qal {

// One finger print shown at its own size, on top of the capture session; Esc closes it.
class TFVerDedo : public QDialog
{
    Q_OBJECT

public:
    explicit TFVerDedo(QWidget *parent = nullptr);

    // Loads the BMP and sizes the window to it plus 10 pixels each way. False when the
    // file cannot be read.
    bool cargar(const QString &file, const QString &caption);
    QLabel *imagen() const { return m_imagen; }

private:
    QLabel *m_imagen;
};

} // namespace qal
