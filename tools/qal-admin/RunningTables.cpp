#include "RunningTables.h"

#include "data/TableSchema.h"
#include "data/Tdm.h"

void openTablesAsRunning(qal::Tdm &dm)
{
    for (const auto &[component, table] : dm.tables()) {
        table->open();
        const QString key = qal::tableDefinition(component).keyField;
        if (!key.isEmpty() && table->hasProductionIndex())
            table->setIndexField(key);
    }
}
