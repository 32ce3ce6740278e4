#include "TPrintGrid.h"

#include "reports/Canvas.h"
#include "reports/Report.h"

#include "core/Clock.h"
#include "core/Cp1252.h"
#include "core/Dialogs.h"

#include <QAbstractItemModel>
#include <QFile>
#include <QFontMetricsF>
#include <QImage>
#include <QSaveFile>

#include <algorithm>
#include <cmath>

namespace qal {
namespace {

constexpr double kMmPerUnit = 0.1;
constexpr double kReferenceDpi = 600;

// Text measures on a 600 dpi reference, in millimetres: the pages break at the same rows
// on every device.
class Metrics
{
public:
    Metrics() : m_device(1, 1, QImage::Format_Mono)
    {
        const int dpm = int(std::lround(kReferenceDpi / 0.0254));
        m_device.setDotsPerMeterX(dpm);
        m_device.setDotsPerMeterY(dpm);
    }
    double width(const QString &text, const QFont &font) const
    {
        return QFontMetricsF(font, &m_device).horizontalAdvance(text) * 25.4 / kReferenceDpi;
    }
    // Whole reference pixels, as a printer measures them.
    int heightPx(const QFont &font) const { return int(std::lround(QFontMetricsF(font, &m_device).height())); }
    static double mm(double px) { return px * 25.4 / kReferenceDpi; }

private:
    QImage m_device;
};

// Where everything of the grid goes on a page.
struct Layout
{
    QRectF area;                // inside the margins
    QList<double> columnX;      // left edge of each column
    QList<double> columnWidth;  // including the gap
    double gap = 0;
    double headerHeight = 0;    // the header line
    double labelsHeight = 0;
    double rowHeight = 0;
    double tableTop = 0;
    int rowsPerPage = 1;
    double tableWidth = 0;

    int pages(int rows) const { return std::max(1, (rows + rowsPerPage - 1) / rowsPerPage); }
};

int rowHeightPx(int h, int pct)
{
    pct = std::clamp(pct, 0, 100);
    return h + int(std::lround(h * pct / 100.0));
}

class GridReport : public reports::Report
{
public:
    GridReport(const TPrintGrid &grid, const QStringList &labels, const std::function<QStringList(int)> &row,
               const std::function<Qt::Alignment(int, int)> &alignment, int rows, int first, int last)
        : m_grid(grid), m_labels(labels), m_row(row), m_alignment(alignment), m_rows(rows), m_first(first),
          m_last(last)
    {
    }

    QString title() const override { return m_grid.Header.isEmpty() ? QStringLiteral("Grilla") : m_grid.Header; }
    int pageCount() const override { return std::max(0, m_last - m_first + 1); }
    void paint(reports::Canvas &canvas) const override { paintPage(canvas, 0); }

    void paintPage(reports::Canvas &canvas, int index) const override
    {
        const Layout &l = layout;
        const int page = m_first + index;
        const QRectF headerBox(l.area.left(), l.area.top(), l.area.width(), l.headerHeight);
        const auto placed = [&](TPrintGrid::Position p, const QString &text) {
            using P = TPrintGrid::Position;
            if (p == P::None)
                return;
            const bool top = p == P::TopLeft || p == P::TopCenter || p == P::TopRight;
            const QRectF box = top ? headerBox
                                   : QRectF(l.area.left(), l.area.bottom() - l.headerHeight, l.area.width(),
                                            l.headerHeight);
            int align = Qt::AlignVCenter;
            align |= (p == P::TopLeft || p == P::BottomLeft) ? Qt::AlignLeft
                     : (p == P::TopRight || p == P::BottomRight) ? Qt::AlignRight
                                                                 : Qt::AlignHCenter;
            canvas.text(box, align, text, m_grid.HeaderFont);
        };
        canvas.text(headerBox, int(m_grid.HeaderAlignment | Qt::AlignVCenter), m_grid.Header, m_grid.HeaderFont);
        placed(m_grid.DatePos, Clock::today().toString(QStringLiteral("dd/MM/yyyy")));
        placed(m_grid.PageNumberPos, m_grid.PageNumberLabel + QString::number(page));

        const int firstRow = (page - 1) * l.rowsPerPage;
        const int rowsHere = std::clamp(m_rows - firstRow, 0, l.rowsPerPage);
        const double top = l.tableTop;
        const double bottom = top + l.labelsHeight + rowsHere * l.rowHeight;
        const double left = l.area.left();
        const double right = left + l.tableWidth;
        const auto cell = [&](int c, double y, double h, const QString &text, const QFont &font, Qt::Alignment a) {
            const QRectF box(l.columnX[c] + l.gap / 2, y, l.columnWidth[c] - l.gap, h);
            canvas.text(box, int(a | Qt::AlignVCenter), text, font);
        };
        for (int c = 0; c < m_labels.size(); ++c)
            cell(c, top, l.labelsHeight, m_labels[c], m_grid.TitleFont, Qt::AlignHCenter);
        for (int i = 0; i < rowsHere; ++i) {
            const int r = firstRow + i;
            const QStringList texts = m_row(r);
            const double y = top + l.labelsHeight + i * l.rowHeight;
            for (int c = 0; c < texts.size() && c < m_labels.size(); ++c)
                cell(c, y, l.rowHeight, texts[c], m_grid.LinesFont, m_alignment(r, c));
            if (m_grid.RowLines && i + 1 < rowsHere)
                canvas.line(left, y + l.rowHeight, right, y + l.rowHeight, 0.1);
        }
        if (m_grid.Border) {
            canvas.frame(QRectF(left, top, right - left, bottom - top), 0.2);
            canvas.line(left, top + l.labelsHeight, right, top + l.labelsHeight, 0.2);
        }
        if (m_grid.ColLines) {
            for (int c = 1; c < l.columnX.size(); ++c)
                canvas.line(l.columnX[c], top, l.columnX[c], bottom, 0.1);
        }
    }

    Layout layout;

private:
    const TPrintGrid &m_grid;
    QStringList m_labels;
    std::function<QStringList(int)> m_row;
    std::function<Qt::Alignment(int, int)> m_alignment;
    int m_rows;
    int m_first;
    int m_last;
};

Layout layOut(const TPrintGrid &grid, const QStringList &labels, const QList<int> &widths, QSizeF page)
{
    const Metrics m;
    Layout l;
    l.area = QRectF(grid.LeftMargin * kMmPerUnit, grid.TopMargin * kMmPerUnit,
                    page.width() - (grid.LeftMargin + grid.RightMargin) * kMmPerUnit,
                    page.height() - (grid.TopMargin + grid.BottomMargin) * kMmPerUnit);
    l.gap = grid.HorizontalGap * kMmPerUnit;
    const double zero = m.width(QStringLiteral("0"), grid.LinesFont);
    double x = l.area.left() + (grid.Border ? kMmPerUnit : 0);
    for (int c = 0; c < labels.size(); ++c) {
        const double w = std::max(m.width(labels[c], grid.TitleFont), widths.value(c) * zero) + l.gap;
        l.columnX << x;
        l.columnWidth << w;
        x += w;
    }
    l.tableWidth = x - l.area.left();
    l.headerHeight = Metrics::mm(rowHeightPx(m.heightPx(grid.HeaderFont), grid.VerticalGapPct));
    l.labelsHeight = Metrics::mm(rowHeightPx(m.heightPx(grid.TitleFont), grid.VerticalGapPct));
    l.rowHeight = Metrics::mm(rowHeightPx(m.heightPx(grid.LinesFont), grid.VerticalGapPct));
    l.tableTop = l.area.top() + l.headerHeight * 1.5;
    const double space = l.area.bottom() - l.tableTop - l.labelsHeight;
    l.rowsPerPage = std::max(1, int(std::floor(space / l.rowHeight + 1e-9)));
    return l;
}

QFont arial(qreal points, bool bold = false)
{
    QFont f(QStringLiteral("Arial"));
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

} // namespace

TPrintGrid::TPrintGrid(QObject *parent)
    : QObject(parent), TitleFont(arial(8, true)), HeaderFont(arial(10, true)), LinesFont(arial(8))
{
}

void TPrintGrid::requireGrid() const
{
    if (!DBGrid)
        throw Error(QStringLiteral("PrintGrid. DBGrid Property Was Not Specified."));
}

QStringList TPrintGrid::labels() const
{
    QStringList result;
    for (int c = 0; c < DBGrid->columnCount(); ++c)
        result << DBGrid->headerData(c, Qt::Horizontal).toString();
    return result;
}

QStringList TPrintGrid::rowTexts(int row) const
{
    QStringList result;
    for (int c = 0; c < DBGrid->columnCount(); ++c)
        result << DBGrid->index(row, c).data().toString();
    return result;
}

namespace {

QList<int> displayWidths(const QAbstractItemModel &model, const QStringList &labels)
{
    QList<int> widths;
    for (int c = 0; c < model.columnCount(); ++c) {
        bool ok = false;
        const int w = model.headerData(c, Qt::Horizontal, TPrintGrid::DisplayWidthRole).toInt(&ok);
        widths << (ok ? w : int(labels.value(c).size()));
    }
    return widths;
}

QSizeF printableArea()
{
    struct Probe : reports::Report
    {
        QString title() const override { return {}; }
        void paint(reports::Canvas &) const override {}
    };
    return Probe().pageLayout().paintRect(QPageLayout::Millimeter).size();
}

} // namespace

int TPrintGrid::PageCount() const
{
    requireGrid();
    const QStringList l = labels();
    return layOut(*this, l, displayWidths(*DBGrid, l), printableArea()).pages(DBGrid->rowCount());
}

bool TPrintGrid::PrintTo(const reports::DestinoImpresion &destino, QString *error)
{
    requireGrid();
    const QStringList l = labels();
    const int rows = DBGrid->rowCount();
    const Layout layout = layOut(*this, l, displayWidths(*DBGrid, l), printableArea());
    if (layout.tableWidth > layout.area.width())
        Dialogs::information(QStringLiteral("Report Width Is Greater Than Paper Width."));
    const int first = std::max(1, FromPage);
    const int last = std::min(ToPage, layout.pages(rows));
    QAbstractItemModel *model = DBGrid;
    GridReport report(
        *this, l, [this](int r) { return rowTexts(r); },
        [model](int r, int c) {
            const QVariant a = model->index(r, c).data(Qt::TextAlignmentRole);
            return a.isValid() ? Qt::Alignment(a.toInt()) & Qt::AlignHorizontal_Mask : Qt::Alignment(Qt::AlignLeft);
        },
        rows, first, last);
    report.layout = layout;
    if (report.pageCount() == 0)
        return true; // nothing in the range asked
    return reports::Imprimir(report, destino, error);
}

bool TPrintGrid::WriteText(const QString &path, QString *error) const
{
    requireGrid();
    const QStringList l = labels();
    const int rows = DBGrid->rowCount();
    constexpr int kRowsPerPage = kTextPageLines - 2;
    const int pages = std::max(1, (rows + kRowsPerPage - 1) / kRowsPerPage);
    const int first = std::max(1, FromPage);
    const int last = std::min(ToPage, pages);
    const auto line = [](const QStringList &texts) {
        QString s;
        for (const QString &t : texts)
            s += t + u'\t';
        return s;
    };
    QString text;
    for (int page = first; page <= last; ++page) {
        text += Header + QStringLiteral("\r\n") + line(l) + QStringLiteral("\r\n");
        const int end = std::min(rows, page * kRowsPerPage);
        for (int r = (page - 1) * kRowsPerPage; r < end; ++r)
            text += line(rowTexts(r)) + QStringLiteral("\r\n");
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(toCp1252(text)) < 0 || !file.commit()) {
        if (error)
            *error = QStringLiteral("No se pudo escribir el archivo %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

void TPrintGrid::Print()
{
    requireGrid();
    DialogPrinter choice;
    choice.title = QStringLiteral("Imprimir");
    choice.printer = reports::ImpresoraPredeterminada();
    choice.fromPage = 1;
    choice.toPage = 1000;
    choice.offerTextFile = true;
    choice.textFile = PrintToFile;
    if (!Dialogs::instance().choosePrinter(choice))
        return;
    FromPage = choice.fromPage;
    ToPage = choice.toPage;
    PrintToFile = choice.textFile;
    if (PrintToFile) {
        const QString name = Dialogs::instance().saveFileName(
            {QStringLiteral("Imprimir a archivo"), FileName.isEmpty() ? choice.outputFile : FileName,
             QStringLiteral("Text files (*.TXT *.txt);;Any file (*)"), false});
        if (name.isEmpty())
            return;
        if (QFile::exists(name)
            && !Dialogs::confirm(name + QStringLiteral(" Already Exists. Do You Want To Overwrite This File?")))
            return;
        QString why;
        if (!WriteText(name, &why))
            throw Error(QStringLiteral("Error Creating Report."));
        return;
    }
    if (choice.printer.isEmpty() && choice.outputFile.isEmpty()) {
        Dialogs::error(reports::kSinImpresora);
        return;
    }
    QString why;
    if (!PrintTo({choice.printer, choice.copies, choice.outputFile}, &why))
        throw Error(QStringLiteral("Error Creating Report."));
}

} // namespace qal
