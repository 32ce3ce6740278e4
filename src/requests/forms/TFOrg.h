#pragma once

#include "ui/DbNavigator.h"

#include <QDialog>

#include <memory>

namespace Ui {
class TFOrg;
}

namespace qal {

class Tdm;

namespace ui {
class DataSource;
}

// "QAL - Administración de Organismos": adds, edits and deletes the agencies official
// requests are made by. The agency's own save rules run in the table's events.
class TFOrg : public QDialog
{
    Q_OBJECT

public:
    explicit TFOrg(Tdm &dm, QWidget *parent = nullptr);
    ~TFOrg() override;

    bool DBNavigator1BeforeAction(ui::DbNavigator::Button button);

private:
    std::unique_ptr<Ui::TFOrg> m_ui;
    Tdm &m_dm;
    ui::DataSource *m_dsOrg;
};

} // namespace qal
