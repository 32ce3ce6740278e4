#include "Code39.h"

#include <QPainter>

#include <zint.h>

#include <memory>

namespace qal::reports {
namespace {

struct SymbolDeleter
{
    void operator()(zint_symbol *s) const { ZBarcode_Delete(s); }
};

bool moduleSet(const zint_symbol &s, int column)
{
    // libzint packs each row's modules eight to a byte, least significant bit first.
    return (s.encoded_data[0][column >> 3] >> (column & 7)) & 1;
}

} // namespace

std::optional<Code39Symbol> EncodeCode39(const QString &text, bool withCheck, double wideRatio, QString *error)
{
    const QString upper = text.toUpper();
    auto fail = [&](const QString &why) -> std::optional<Code39Symbol> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    if (upper.isEmpty())
        return fail(QStringLiteral("El código de barras no tiene texto"));
    for (QChar c : upper) {
        // libzint would take the asterisk as data; Latin-1 letters it would refuse anyway.
        if (c == u'*' || c.unicode() > 127)
            return fail(QStringLiteral("El texto \"%1\" no se puede representar en Code 39").arg(text));
    }
    std::unique_ptr<zint_symbol, SymbolDeleter> s(ZBarcode_Create());
    s->symbology = BARCODE_CODE39;
    s->option_2 = withCheck ? 1 : 0;
    s->show_hrt = 0;
    const QByteArray bytes = upper.toLatin1();
    const int rc = ZBarcode_Encode(s.get(), reinterpret_cast<const unsigned char *>(bytes.constData()),
                                   int(bytes.size()));
    if (rc >= ZINT_ERROR)
        return fail(QStringLiteral("El texto \"%1\" no se puede representar en Code 39 (%2)")
                        .arg(text, QString::fromLatin1(s->errtxt)));

    // libzint draws wide elements two modules wide; each run of the row is one element,
    // so runs of two become wide elements of the ratio asked for.
    Code39Symbol symbol;
    symbol.text = upper;
    double x = 0;
    int column = 0;
    while (column < s->width) {
        const bool bar = moduleSet(*s, column);
        int run = 1;
        while (column + run < s->width && moduleSet(*s, column + run) == bar)
            ++run;
        const double width = run == 1 ? 1.0 : wideRatio;
        if (bar)
            symbol.bars.append({x, width});
        x += width;
        column += run;
    }
    symbol.widthModules = x;
    return symbol;
}

void DrawCode39(QPainter &painter, const QRectF &area, const Code39Symbol &symbol)
{
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.fillRect(area, Qt::white);
    const double module = symbol.widthModules > 0 ? area.width() / symbol.widthModules : 0;
    painter.setBrush(Qt::black);
    for (const Code39Symbol::Bar &b : symbol.bars)
        painter.drawRect(QRectF(area.left() + b.start * module, area.top(), b.width * module, area.height()));
    painter.restore();
}

} // namespace qal::reports
