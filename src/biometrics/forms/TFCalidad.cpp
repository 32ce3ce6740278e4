#include "TFCalidad.h"

#include "ui_TFCalidad.h"

#include <QTextBlock>

namespace qal {

TFCalidad::TFCalidad(QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint)
    , ui(std::make_unique<Ui::TFCalidad>())
{
    ui->setupUi(this);
    m_panel = new QLabel(this);
    ui->sbEstado->addWidget(m_panel, 1);
}

TFCalidad::~TFCalidad() = default;

int TFCalidad::ShowQuality(const QString &title, const TenQualityRecords &records)
{
    setWindowTitle(title);
    ui->pbAvance->setRange(0, 10);
    ui->pbAvance->setValue(0);
    ui->mmCalidad->clear();
    ui->mmCalidad->appendPlainText(title);
    ui->mmCalidad->appendPlainText(QString());
    show();

    for (int n = 1; n <= 10; ++n) {
        const QualityRecord &r = records[std::size_t(n - 1)];
        ui->mmCalidad->appendPlainText(FingerName(n) + QStringLiteral(" = ") + FingerQualityText(r.code, r.nfiq));
        ui->pbAvance->setValue(n);
        ui->pbAvance->repaint();
    }

    const int average = AverageNfiq(records);
    QStringList lines = ui->mmCalidad->toPlainText().split(QLatin1Char('\n'));
    lines[1] = QStringLiteral("Promedio = ") + AverageNfiqText(average);
    ui->mmCalidad->setPlainText(lines.join(QLatin1Char('\n')));
    m_panel->setText(QStringLiteral("Listo!"));
    return average;
}

QString TFCalidad::memoText() const
{
    return ui->mmCalidad->toPlainText();
}

QString TFCalidad::statusText() const
{
    return m_panel->text();
}

int TFCalidad::progress() const
{
    return ui->pbAvance->value();
}

} // namespace qal
