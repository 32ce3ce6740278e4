#include "imaging/BmpFile.h"
#include "imaging/ImageProperties.h"
#include "imaging/TiffFile.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace qal;

namespace {

// The fuzzers' minimised corpora and any crash they found, replayed under the sanitizers
// of the test build.
QStringList inputs(const QString &target)
{
    QStringList files;
    const QString root = QStringLiteral(QAL_SOURCE_DIR "/tests/fuzz/");
    const QDir corpus(root + QStringLiteral("corpus/") + target);
    for (const QString &name : corpus.entryList(QDir::Files))
        files << corpus.filePath(name);
    const QDir crashes(root + QStringLiteral("crashes"));
    for (const QString &name : crashes.entryList({target + QStringLiteral("-*")}, QDir::Files))
        files << crashes.filePath(name);
    return files;
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(FuzzCorpus, PropertyReaderAndPageDecoderSurviveEveryInput)
{
    const QStringList files = inputs(QStringLiteral("fuzz_image_properties"));
    ASSERT_GT(files.size(), 20);
    int readable = 0;
    for (const QString &path : files) {
        SCOPED_TRACE(path.toStdString());
        const auto props = readImageProperties(contents(path));
        readable += props.has_value();
        // the same file through the path readers, including the full decode of page 1
        (void)readImageProperties(path);
        (void)TiffFile::readPage(path, 1);
    }
    EXPECT_GT(readable, 0);
}

TEST(FuzzCorpus, BmpReaderSurvivesEveryInput)
{
    const QStringList files = inputs(QStringLiteral("fuzz_bmp_reader"));
    ASSERT_GT(files.size(), 20);
    for (const QString &path : files) {
        SCOPED_TRACE(path.toStdString());
        const QByteArray data = contents(path);
        const QImage image = BmpFile::read(data);
        const GreyImage grey = BmpFile::readGrey(data);
        EXPECT_EQ(image.isNull(), grey.isNull());
        if (!image.isNull()) {
            EXPECT_EQ(image.size(), QSize(grey.width(), grey.height()));
        }
    }
}
