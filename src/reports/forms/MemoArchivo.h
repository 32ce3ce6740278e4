#pragma once

#include <QString>
#include <QStringList>

class QPlainTextEdit;

namespace qal {

// The lines of a window's memo kept in a file of the program folder (Windows-1252, each line
// ended by CR LF): read into the memo by cargar, written by guardar only when they changed
// since the file was read or last written (a run that saw nothing makes no file), and always
// as a whole new file renamed over the old one, so an interrupted write never loses them.
class MemoArchivo
{
public:
    MemoArchivo(QPlainTextEdit &memo, QString archivo);

    void cargar();
    // False (the old file untouched) when it cannot be written.
    bool guardar();
    // The memo's lines; none when it is empty.
    QStringList lineas() const;

private:
    QPlainTextEdit &m_memo;
    QString m_archivo;
    QStringList m_guardado; // the lines the file holds
};

} // namespace qal
