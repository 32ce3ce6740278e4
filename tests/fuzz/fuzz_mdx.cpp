// libFuzzer target: any bytes as a production index, opened, walked and checked.
#include "dbase/MdxExercise.h"

#include <QDir>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static QTemporaryDir dir;
    qal::test::exerciseMdx(dir.filePath(QStringLiteral("F.MDX")),
                           QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    return 0;
}
