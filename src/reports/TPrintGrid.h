#pragma once

#include "reports/Impresora.h"

#include <QFont>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <stdexcept>

class QAbstractItemModel;

namespace qal {

// Prints the rows of a grid's model as a ruled table: a header line with the date and the
// page number, the column labels, then the rows, page after page; or writes them to a text
// file. Columns are the model's columns in order, labelled by its horizontal header, as wide
// as the larger of the label and the display width the header gives (role
// RecordSetModel::DisplayWidthRole, characters; the label's length without one).
//
// Lengths (margins, gap) are printer units of a tenth of a millimetre, measured inside the
// printable area.
class TPrintGrid : public QObject
{
    Q_OBJECT

public:
    enum class Position { None, TopLeft, TopCenter, TopRight, BottomLeft, BottomCenter, BottomRight };
    // The grid's model's header role that gives a column's display width in characters.
    static constexpr int DisplayWidthRole = Qt::UserRole + 1;
    // Lines of one page of the text file.
    static constexpr int kTextPageLines = 66;

    explicit TPrintGrid(QObject *parent = nullptr);

    // the grid printed
    QPointer<QAbstractItemModel> DBGrid;
    QFont TitleFont, HeaderFont, LinesFont;
    int TopMargin = 40, BottomMargin = 40, LeftMargin = 30, RightMargin = 30;
    int HorizontalGap = 2;
    int VerticalGapPct = 20;
    int FromPage = 1, ToPage = 1000;
    bool Border = true, ColLines = true, RowLines = false;
    Qt::Alignment HeaderAlignment = Qt::AlignHCenter;
    Position PageNumberPos = Position::TopRight;
    QString PageNumberLabel = QStringLiteral("Page: ");
    Position DatePos = Position::TopLeft;
    bool PrintToFile = false;
    QString FileName; // proposed for the text file
    QString Header;

    // Shows the print dialog (pages 1 to 1000, printing to a text file offered) and prints
    // as chosen. Throws Error: "PrintGrid. DBGrid Property Was Not Specified." without a
    // grid, "Error Creating Report." when printing cannot start.
    void Print();

    // Without a dialog: the pages FromPage..ToPage to a printer or a PDF file; false with
    // the reason. The width warning is shown as in Print.
    bool PrintTo(const reports::DestinoImpresion &destino, QString *error = nullptr);
    // The text file: per page, the header line, the labels and the rows, each text followed
    // by a tab; Windows-1252, CR LF. False with the reason.
    bool WriteText(const QString &path, QString *error = nullptr) const;

    // Pages the rows take on paper (at least one).
    int PageCount() const;

    class Error : public std::runtime_error
    {
    public:
        explicit Error(const QString &text) : std::runtime_error(text.toStdString()) {}
    };

private:
    void requireGrid() const;
    QStringList labels() const;
    QStringList rowTexts(int row) const;
};

} // namespace qal
