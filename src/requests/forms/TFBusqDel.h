#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class TFBusqDel;
}

namespace qal {

class Tdm;

namespace ui {
class DataSource;
}

// "Selección del delito": finds offences by code, law, article, clause or words of the
// description and, when the operator accepts an offence (never a category), writes its
// code into the current official request.
class TFBusqDel : public QDialog
{
    Q_OBJECT

public:
    explicit TFBusqDel(Tdm &dm, QWidget *parent = nullptr);
    ~TFBusqDel() override;

    void FormShow();

    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    // Handlers of the form's controls, reached through them.
    void btBuscarClick();
    void btAceptarClick();

    std::unique_ptr<Ui::TFBusqDel> m_ui;
    Tdm &m_dm;
    ui::DataSource *m_dsTdel;
};

} // namespace qal
