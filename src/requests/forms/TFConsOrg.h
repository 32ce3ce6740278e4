#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class TFConsOrg;
}

namespace qal {

class Tdm;
class TFOrg;

namespace ui {
class DataSource;
}

// "QAL - Consulta de Organismos": the agencies, read only; opens the agency editor on the
// one chosen.
class TFConsOrg : public QDialog
{
    Q_OBJECT

public:
    explicit TFConsOrg(Tdm &dm, QWidget *parent = nullptr);
    ~TFConsOrg() override;

    // The agency editor, once opened.
    TFOrg *editor() const { return m_editor; }

private:
    // Handlers of the form's controls, reached through them.
    void btVerClick();

    std::unique_ptr<Ui::TFConsOrg> m_ui;
    Tdm &m_dm;
    ui::DataSource *m_dsOrg;
    TFOrg *m_editor = nullptr;
};

} // namespace qal
