#pragma once

// A quick run (QAL_BENCH_QUICK=1, as the test suite runs every benchmark program) works on small
// data in a folder of its own that it removes afterwards, so that it only proves the program
// still runs; a full run works on the sizes its comments give and keeps its generated data.
#include <QDir>
#include <QTemporaryDir>

namespace qal::bench {

inline bool quickRun()
{
    return qEnvironmentVariableIntValue("QAL_BENCH_QUICK") != 0;
}

// Where a benchmark keeps its generated data: a fixed folder under the temporary folder for full
// runs (kept between them), a fresh one for a quick run (two suites may run at once).
inline QString dataFolder(const QString &name)
{
    if (!quickRun())
        return QDir::tempPath() + QStringLiteral("/qal-bench-") + name;
    static QTemporaryDir quick(QDir::tempPath() + QStringLiteral("/qal-bench-quick-XXXXXX"));
    return quick.path() + QLatin1Char('/') + name;
}

} // namespace qal::bench
