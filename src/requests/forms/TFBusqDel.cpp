#include "TFBusqDel.h"

#include "ui_TFBusqDel.h"

#include "data/Tdm.h"
#include "requests/OffenceFilter.h"
#include "ui/DataSource.h"

#include "core/Dialogs.h"

#include <QIntValidator>

namespace qal {

TFBusqDel::TFBusqDel(Tdm &dm, QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TFBusqDel>()), m_dm(dm), m_dsTdel(new ui::DataSource(&dm.tdel, this))
{
    m_ui->setupUi(this);
    m_dsTdel->setObjectName(QStringLiteral("dsTdel"));
    m_dsTdel->autoEdit = false;
    m_ui->edCodigo->setValidator(new QIntValidator(0, 9999, m_ui->edCodigo));
    m_ui->DBGrid1->bind(m_dsTdel);
    m_ui->DBGrid1->setColumns({{QStringLiteral("C_TDEL"), QStringLiteral("Código"), true, true},
                               {QStringLiteral("N_LEY"), QStringLiteral("Ley"), true, true},
                               {QStringLiteral("N_ART"), QStringLiteral("Art."), true, true},
                               {QStringLiteral("N_INC"), QStringLiteral("Inc."), true, true},
                               {QStringLiteral("X_TDEL"), QStringLiteral("Descripción del delito"), true, true},
                               {QStringLiteral("C_TDEL_P"), QString(), false, true}});
    m_ui->DBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // the codes are short; the description takes the rest
    for (const auto &[column, width] : {std::pair {0, 60}, {1, 70}, {2, 60}, {3, 40}})
        m_ui->DBGrid1->setColumnWidth(column, width);
    m_ui->DBGrid1->horizontalHeader()->setStretchLastSection(true);
    m_ui->DBGrid1->verticalHeader()->hide();

    // Enter in any edit runs the search: the search is the default button.
    connect(m_ui->btBuscar, &QPushButton::clicked, this, &TFBusqDel::btBuscarClick);
    connect(m_ui->btAceptar, &QPushButton::clicked, this, &TFBusqDel::btAceptarClick);
    connect(m_ui->DBGrid1, &QAbstractItemView::doubleClicked, this, &TFBusqDel::btAceptarClick);
    const QList<QPair<QToolButton *, QLineEdit *>> clears {{m_ui->sbCodigo, m_ui->edCodigo},
                                                          {m_ui->sbLey, m_ui->edLey},
                                                          {m_ui->sbArt, m_ui->edArt},
                                                          {m_ui->sbInc, m_ui->edInc},
                                                          {m_ui->sbDelito, m_ui->edDelito}};
    for (const auto &[button, edit] : clears)
        connect(button, &QToolButton::clicked, edit, &QLineEdit::clear);
}

TFBusqDel::~TFBusqDel() = default;

void TFBusqDel::showEvent(QShowEvent *event)
{
    FormShow();
    QDialog::showEvent(event);
}

void TFBusqDel::FormShow()
{
    for (QLineEdit *edit : {m_ui->edCodigo, m_ui->edLey, m_ui->edArt, m_ui->edInc, m_ui->edDelito})
        edit->clear();
    const QVariant code = m_dm.ped.isOpen() ? m_dm.ped.value(QStringLiteral("C_TDEL")) : QVariant();
    try {
        if (!code.isNull())
            m_dm.tdel.findKey(code);
    } catch (const std::exception &e) {
        Dialogs::error(QString::fromUtf8(e.what()));
    }
    m_dsTdel->refresh();
    m_ui->edCodigo->setFocus();
}

void TFBusqDel::btBuscarClick()
{
    const OffenceFilter filter({m_ui->edCodigo->text(), m_ui->edLey->text(), m_ui->edArt->text(),
                                m_ui->edInc->text(), m_ui->edDelito->text()});
    try {
        filter.apply(m_dm);
    } catch (const std::exception &e) {
        Dialogs::error(QString::fromUtf8(e.what()));
    }
    m_dsTdel->refresh();
}

void TFBusqDel::btAceptarClick()
{
    dbase::Table &tdel = m_dm.tdel;
    if (tdel.isEmpty() || tdel.value(QStringLiteral("C_TDEL_P")).toLongLong() == 0) {
        Dialogs::information(QStringLiteral("Error: Debe elegir un delito y no una categoría"));
        return;
    }
    accept();
}

void TFBusqDel::done(int result)
{
    try {
        if (result == QDialog::Accepted && m_dm.ped.isOpen())
            m_dm.ped.setValue(QStringLiteral("C_TDEL"), m_dm.tdel.value(QStringLiteral("C_TDEL")));
    } catch (const std::exception &e) {
        Dialogs::error(QString::fromUtf8(e.what()));
    }
    try {
        OffenceFilter::clear(m_dm);
    } catch (...) {
    }
    m_dsTdel->refresh();
    QDialog::done(result);
}

} // namespace qal
