#include "ColumnWidths.h"

#include "RecordSetModel.h"

#include <QHeaderView>
#include <QTableView>

#include <algorithm>

namespace qal::ui {

void fitColumnWidths(QTableView &view)
{
    const QAbstractItemModel *model = view.model();
    if (!model)
        return;
    // The cell margins of the style, on both sides of the text.
    constexpr int margins = 12;
    const int zero = view.fontMetrics().horizontalAdvance(u'0');
    // Titles are drawn bold while their column holds the selection.
    QFont titleFont = view.horizontalHeader()->font();
    titleFont.setBold(true);
    const QFontMetrics titles(titleFont);
    for (int i = 0; i < model->columnCount(); ++i) {
        const int chars = model->headerData(i, Qt::Horizontal, RecordSetModel::DisplayWidthRole).toInt();
        const int title = titles.horizontalAdvance(model->headerData(i, Qt::Horizontal).toString());
        view.setColumnWidth(i, std::max(title, chars * zero) + margins);
    }
}

} // namespace qal::ui
