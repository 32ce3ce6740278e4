#include "imaging/forms/TTwainCaps.h"

#include "ui_TTwainCaps.h"

namespace qal {

TTwainCaps::TTwainCaps(QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TTwainCaps>())
{
    m_ui->setupUi(this);
    connect(m_ui->lbCapacidades, &QListWidget::currentRowChanged, this, &TTwainCaps::mostrarOpcion);
    connect(m_ui->btCerrar, &QPushButton::clicked, this, &QDialog::accept);
}

TTwainCaps::~TTwainCaps() = default;

void TTwainCaps::mostrar(const QString &device)
{
    SaneScanner sane(device);
    QString error;
    const QList<ScannerOption> all = sane.options(&error);
    m_options.clear();
    for (const ScannerOption &o : all)
        if (!o.name.isEmpty() && o.type != QLatin1String("Group"))
            m_options.push_back(o);
    m_ui->lbDispositivo->setText(all.isEmpty() ? error : (device.isEmpty() ? QStringLiteral("Scanner predeterminado") : device));
    m_ui->lbCapacidades->clear();
    for (const ScannerOption &o : m_options)
        m_ui->lbCapacidades->addItem(o.active ? o.name : o.name + QStringLiteral(" (inactiva)"));
    if (!m_options.isEmpty())
        m_ui->lbCapacidades->setCurrentRow(0);
    else
        mostrarOpcion(-1);
}

void TTwainCaps::mostrarOpcion(int row)
{
    const ScannerOption o = row >= 0 && row < m_options.size() ? m_options[row] : ScannerOption {};
    m_ui->lbTipo->setText(o.type + (o.count > 1 ? QStringLiteral(" [%1]").arg(o.count) : QString()));
    m_ui->lbContenedor->setText(o.constraint);
    m_ui->lbMinimo->setText(o.minimum);
    m_ui->lbMaximo->setText(o.maximum);
    m_ui->lbPaso->setText(o.step);
    m_ui->lbActual->setText(o.current);
    m_ui->lbUnidad->setText(o.unit);
    m_ui->lbValores->clear();
    m_ui->lbValores->addItems(o.values);
    m_ui->lbDescripcion->setText(o.title.isEmpty() ? o.description : o.title + QStringLiteral(": ") + o.description);
}

} // namespace qal
