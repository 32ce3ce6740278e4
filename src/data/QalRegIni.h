#pragma once

#include <QString>

namespace qal {

// "QalReg.INI" in the program folder: the two settings kept outside the parameter table.
// Read afresh on every call.
namespace qalregini {

// [Config] UsaOutlookSecMan: whether Outlook's security prompts are answered by the
// security manager. A whole number, non-zero is true; absent or not a number: true.
bool usaOutlookSecMan();

// [QALService] URL: the central office's message web service.
QString urlServicio();
// Used when the file or the key is absent: the central office's server on this machine,
// which is where the offices' test installations point.
inline constexpr char16_t kUrlServicioPorOmision[] = u"http://127.0.0.1/QALService/QALService.asmx";

QString path();

} // namespace qalregini
} // namespace qal
