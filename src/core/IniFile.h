#pragma once

#include <QString>
#include <QStringList>

namespace qal {

// A Windows-style INI file ("QalReg.INI", "LiveScan.INI", "resp.dat", ...), with the
// profile-string rules: sections and keys match ignoring case, the first match wins,
// a value is the text after '=' to the end of the line with blanks trimmed and one pair
// of enclosing quotes removed. Text is Windows-1252 on disk. Writes keep every other
// line as it was and replace the file through a temporary file.
class IniFile
{
public:
    explicit IniFile(QString fileName);

    const QString &fileName() const { return m_fileName; }

    // Reads the file afresh on every call, as the Windows calls do.
    QString readString(const QString &section, const QString &key,
                       const QString &defaultValue = QString()) const;
    int readInteger(const QString &section, const QString &key, int defaultValue) const;
    bool hasKey(const QString &section, const QString &key) const;
    QStringList sections() const;
    QStringList keys(const QString &section) const;

    // False when the file could not be written.
    bool writeString(const QString &section, const QString &key, const QString &value);
    bool deleteKey(const QString &section, const QString &key);
    bool eraseSection(const QString &section);

    // Parsing without a file, for texts that arrive in memory (attachments).
    static QString valueIn(const QString &text, const QString &section, const QString &key,
                           const QString &defaultValue = QString());

private:
    QStringList readLines() const;
    bool writeLines(const QStringList &lines) const;

    QString m_fileName;
};

} // namespace qal
