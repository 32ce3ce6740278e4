#pragma once

#include <QDialog>

class QPlainTextEdit;

namespace qal::exchange {

// A read-only view of a small text file (an attachment such as "resp.dat"), which the
// office's files write in the Windows-1252 code page.
class TFVerTexto : public QDialog
{
    Q_OBJECT

public:
    explicit TFVerTexto(QWidget *parent = nullptr);

    // False, and nothing shown, when the file cannot be read. The caption is the name given,
    // or the file's own.
    bool mostrarArchivo(const QString &file, const QString &nombre = QString());
    QString texto() const;

private:
    QPlainTextEdit *m_texto;
};

} // namespace qal::exchange
