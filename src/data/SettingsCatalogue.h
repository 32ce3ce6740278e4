#pragma once

#include <QList>
#include <QString>

namespace qal {

// Every key of the parameter table (amb.dbf) with its kind and what an absent or unexpected
// value stands for. Code that reads a setting asks this catalogue for the meaning of the
// stored text, so that the rule for each key lives in one place.
enum class SettingKind {
    Integer,   // whole number as text
    Text,      // free text
    Flag,      // "S" / "N"
    Protected, // a password kept protected (never clear text)
};

struct SettingDef
{
    QString key;           // C_AMB, case as stored
    SettingKind kind;
    // Flags: the value an absent or unexpected text stands for ("S": anything but "N" is on;
    // "N": only "S" is on). Integers: the number used when the text is not a whole number
    // (empty when such a text is an error). Text: the value of an absent row.
    QString fallback;
    QString initial;       // the value a new program folder starts with
    int maxLength = 254;   // X_AMB holds 254 characters
};

const QList<SettingDef> &settingsCatalogue();
// The definition of key (exact case); nullptr for a key the program does not know.
const SettingDef *settingDef(const QString &key);

// The meaning of a stored flag: "S" → true, "N" → false, anything else → the key's fallback.
bool settingFlag(const QString &key, const QString &stored);
// The stored text as a whole number, or the key's fallback when it is not one.
int settingInteger(const QString &key, const QString &stored);

// The text a flag is stored as.
inline QString flagText(bool on)
{
    return on ? QStringLiteral("S") : QStringLiteral("N");
}

} // namespace qal
