#include "MemoArchivo.h"

#include "core/Cp1252.h"
#include "core/ProgramFolder.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QSaveFile>

namespace qal {

MemoArchivo::MemoArchivo(QPlainTextEdit &memo, QString archivo) : m_memo(memo), m_archivo(std::move(archivo)) {}

void MemoArchivo::cargar()
{
    QFile file(ProgramFolder::resolve(m_archivo));
    if (!file.open(QIODevice::ReadOnly))
        return;
    QString text = fromCp1252(file.readAll());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (text.endsWith(u'\n'))
        text.chop(1);
    m_memo.setPlainText(text);
    m_guardado = lineas();
}

QStringList MemoArchivo::lineas() const
{
    const QString text = m_memo.toPlainText();
    return m_memo.document()->isEmpty() ? QStringList() : text.split(u'\n');
}

bool MemoArchivo::guardar()
{
    const QStringList now = lineas();
    if (now == m_guardado)
        return true;
    QSaveFile file(ProgramFolder::resolve(m_archivo));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray bytes;
    for (const QString &line : now)
        bytes += toCp1252(line) + "\r\n";
    if (file.write(bytes) != bytes.size() || !file.commit())
        return false;
    m_guardado = now;
    return true;
}

} // namespace qal
