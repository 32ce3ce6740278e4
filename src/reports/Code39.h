#pragma once

#include <QList>
#include <QRectF>
#include <QString>

#include <optional>

class QPainter;

namespace qal::reports {

// A Code 39 symbol as vector bars: narrow elements one module wide, wide ones
// `wideRatio` modules, a one-module gap between characters, the start/stop character
// "*" around the text. No human-readable text: the document draws its own label.
struct Code39Symbol
{
    struct Bar
    {
        double start; // in modules from the symbol's left edge
        double width;
    };
    QString text; // as encoded (upper case, without the asterisks)
    QList<Bar> bars;
    double widthModules = 0;
};

// Encodes text (upper-cased first) with libzint. Text Code 39 cannot carry (anything
// outside digits, A-Z, "-", ".", blank, "$", "/", "+", "%"; an asterisk; nothing at all)
// is refused: nullopt, with the reason in error.
std::optional<Code39Symbol> EncodeCode39(const QString &text, bool withCheck = false, double wideRatio = 2.5,
                                         QString *error = nullptr);

// Draws the bars filling `area` (height and width) in black, the background white.
void DrawCode39(QPainter &painter, const QRectF &area, const Code39Symbol &symbol);

} // namespace qal::reports
