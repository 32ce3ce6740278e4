#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class TFbped;
}

namespace qal {

namespace dbase {
class Table;
}

// "Buscar Pedido": puts a request form's table on the request with a number, a cause
// number (official requests only) or a first surname, and closes.
class TFbped : public QDialog
{
    Q_OBJECT

public:
    explicit TFbped(QWidget *parent = nullptr);
    ~TFbped() override;

    // The table searched, before showing: the official or the personal requests.
    void setTabla(dbase::Table *tabla, bool oficial);

private:
    // Handlers of the form's controls, reached through them.
    void btBuscarClick();

    void criterioElegido();

    std::unique_ptr<Ui::TFbped> m_ui;
    dbase::Table *m_tabla = nullptr;
    bool m_oficial = true;
};

} // namespace qal
