#pragma once

class QTableView;

namespace qal::ui {

// Sizes each column of a read-only grid as a dBASE grid does: wide enough for its display
// width in characters (RecordSetModel::DisplayWidthRole, when the model answers it) and for
// its whole title.
void fitColumnWidths(QTableView &view);

} // namespace qal::ui
