#pragma once

#include "ui/DbNavigator.h"

#include <QDialog>

#include <memory>

namespace Ui {
class TFsup;
}

namespace qal {

class Tdm;

namespace ui {
class DataSource;
}

// "Supuestos": the other names the person of the current official request is known by.
// Once the request is sent its aliases stay as they are, unless the request was rejected.
class TFsup : public QDialog
{
    Q_OBJECT

public:
    explicit TFsup(Tdm &dm, QWidget *parent = nullptr);
    ~TFsup() override;

    bool DBNavigator1BeforeAction(ui::DbNavigator::Button button);

    void done(int result) override;

private:
    std::unique_ptr<Ui::TFsup> m_ui;
    Tdm &m_dm;
    ui::DataSource *m_dsSup;
};

} // namespace qal
