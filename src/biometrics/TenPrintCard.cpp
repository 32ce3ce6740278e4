#include "TenPrintCard.h"

#include "biometrics/FingerQuality.h"
#include "core/ProgramFolder.h"
#include "imaging/BmpFile.h"

#include <QFile>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QSaveFile>

#include <optional>

namespace qal {
namespace {

constexpr int InfoAndPalette = 40 + 1024;

// An 8-bit BMP as the card code reads it: after the 14-byte file header exactly
// stride x height + 1064 bytes (information header, 256-entry palette, bottom-up rows).
struct RawBitmap
{
    int width = 0;
    int height = 0;
    int stride = 0;
    QByteArray body; // information header, palette and pixels

    std::uint8_t *pixel(int x, int yFromBottom)
    {
        return reinterpret_cast<std::uint8_t *>(body.data()) + InfoAndPalette + qsizetype(yFromBottom) * stride + x;
    }
};

std::optional<RawBitmap> readRaw(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray data = file.readAll();
    const std::optional<BmpInfo> info = BmpFile::readInfo(data);
    if (!info || info->bitsPerPixel != 8 || info->headerSize != 40 || info->topDown || info->width <= 0
        || info->height <= 0)
        return std::nullopt;
    RawBitmap raw;
    raw.width = info->width;
    raw.height = info->height;
    raw.stride = (info->width + 3) / 4 * 4;
    const qint64 size = qint64(raw.stride) * raw.height + InfoAndPalette;
    if (data.size() - 14 < size)
        return std::nullopt;
    raw.body = data.mid(14, qsizetype(size));
    return raw;
}

void put32(QByteArray &out, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        out.append(char((v >> (8 * i)) & 0xff));
}

GreyImage toGrey(const QImage &image)
{
    GreyImage g = GreyImage::fromQImage(image);
    g.setResolution(500);
    return g;
}

} // namespace

CardCell CardCellOf(int finger)
{
    static const int xs[] = {1095, 1745, 2345, 2945, 3530};
    if (finger < 1 || finger > 10)
        return {0, 0};
    return {xs[(finger - 1) % 5], finger <= 5 ? 1510 : 460};
}

bool ComposeCard(const QString &prefix, const QString &output)
{
    std::optional<RawBitmap> card = readRaw(ProgramFolder::resolve(QString::fromLatin1(CardTemplateFile)));
    if (!card)
        return false;
    for (int n = 1; n <= 10; ++n) {
        std::optional<RawBitmap> finger = readRaw(ProgramFolder::resolve(prefix + QString::number(n) + QStringLiteral(".bmp")));
        if (!finger)
            continue;
        const CardCell cell = CardCellOf(n);
        const int left = cell.x - finger->width / 2;
        const int bottom = cell.y - finger->height / 2;
        for (int j = 0; j < finger->height; ++j) {
            const int row = bottom + j;
            if (row < 0 || row >= card->height)
                continue;
            for (int i = 0; i < finger->width; ++i) {
                const int col = left + i;
                if (col < 0 || col >= card->width)
                    continue;
                std::uint8_t *t = card->pixel(col, row);
                // round(f / 255 x t / 255 x 255): the exact quotient is never a tie
                *t = std::uint8_t(std::min(255, (*finger->pixel(i, j) * *t + 127) / 255));
            }
        }
    }
    QByteArray out;
    out.reserve(card->body.size() + 14);
    out.append("BM", 2);
    put32(out, quint32(card->body.size() + 14));
    put32(out, 0);
    put32(out, 1078);
    out.append(card->body);
    QSaveFile file(ProgramFolder::resolve(output));
    return file.open(QIODevice::WriteOnly) && file.write(out) == out.size() && file.commit();
}

bool WriteCardTemplate(const QString &path)
{
    const int width = 4000, height = 2100, boxW = 560, boxH = 880;
    QImage image(width, height, QImage::Format_Grayscale8);
    image.fill(255);
    QPainter p(&image);
    p.setPen(QPen(Qt::black, 4));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(34);
    font.setBold(true);
    p.setFont(font);
    for (int n = 1; n <= 10; ++n) {
        const CardCell c = CardCellOf(n);
        const QRect box(c.x - boxW / 2, height - c.y - boxH / 2, boxW, boxH);
        p.drawRect(box);
        p.drawText(box.adjusted(8, 6, -8, 0), Qt::AlignTop | Qt::AlignLeft, QStringLiteral("%1. %2").arg(n).arg(FingerName(n).toUpper()));
    }
    font.setPixelSize(48);
    p.setFont(font);
    p.drawText(QRect(0, 0, width, 120), Qt::AlignCenter, QStringLiteral("FICHA DECADACTILAR"));
    p.save();
    p.translate(700, height - 1510);
    p.rotate(-90);
    p.drawText(QRect(-400, -40, 800, 80), Qt::AlignCenter, QStringLiteral("MANO DERECHA"));
    p.restore();
    p.translate(700, height - 460);
    p.rotate(-90);
    p.drawText(QRect(-400, -40, 800, 80), Qt::AlignCenter, QStringLiteral("MANO IZQUIERDA"));
    p.end();
    return BmpFile::writeGrey(path, toGrey(image));
}

bool WriteAmputationPlaceholder(const QString &path)
{
    QImage image(400, 500, QImage::Format_Grayscale8);
    image.fill(255);
    QPainter p(&image);
    p.setPen(QPen(QColor(160, 160, 160), 6));
    p.drawLine(40, 40, 360, 460);
    p.drawLine(360, 40, 40, 460);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(56);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::black);
    p.fillRect(QRect(20, 210, 360, 80), Qt::white);
    p.drawText(QRect(0, 200, 400, 100), Qt::AlignCenter, QStringLiteral("AMPUTADO"));
    p.end();
    return BmpFile::writeGrey(path, toGrey(image));
}

QList<FolderFile> CardFolderFiles()
{
    return {{QString::fromLatin1(CardTemplateFile), WriteCardTemplate},
            {QString::fromLatin1(AmputationFile), WriteAmputationPlaceholder}};
}

} // namespace qal
