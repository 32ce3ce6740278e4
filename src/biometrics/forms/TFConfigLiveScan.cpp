#include "biometrics/forms/TFConfigLiveScan.h"

#include "ui_TFConfigLiveScan.h"

#include "biometrics/ExternalProgram.h"
#include "core/Dialogs.h"
#include "core/ProgramFolder.h"
#include "data/Tdm.h"
#include "ui/FieldTextFilter.h"

namespace qal {

namespace {

const char *const kOpciones[][2] = {
    {"AutoAvance", "chkAutoAvance"}, {"flip_hor", "chkFlipHor"}, {"flip_ver", "chkFlipVer"}, {"crlt_quality", "chkCtrlCalidad"}};

} // namespace

TFConfigLiveScan::TFConfigLiveScan(Tdm &dm, QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TFConfigLiveScan>()), m_dm(dm)
{
    m_ui->setupUi(this);
    connect(m_ui->btAceptar, &QPushButton::clicked, this, &TFConfigLiveScan::btAceptarClick);
    connect(m_ui->btCancelar, &QPushButton::clicked, this, &TFConfigLiveScan::btCancelarClick);
    connect(m_ui->btConfigurar, &QPushButton::clicked, this, &TFConfigLiveScan::btConfigurarClick);
    connect(m_ui->btCaptura, &QPushButton::clicked, this, &TFConfigLiveScan::btCapturaClick);
    connect(m_ui->btLiveScan, &QPushButton::clicked, this, &TFConfigLiveScan::btLiveScanClick);
    // the folder is kept in the capture programs' INI file, in the tables' code page and on one line
    ui::filterAsField(m_ui->edPathLiveScan, 0);
    // another folder offers the programs described there
    connect(m_ui->edPathLiveScan, &QLineEdit::editingFinished, this, [this] {
        llenarProgramas(elegidos().archivo);
    });
    cargar();
}

TFConfigLiveScan::~TFConfigLiveScan() = default;

void TFConfigLiveScan::showEvent(QShowEvent *event)
{
    cargar();
    QDialog::showEvent(event);
}

void TFConfigLiveScan::cargar()
{
    for (const auto &o : kOpciones)
        findChild<QCheckBox *>(QString::fromLatin1(o[1]))
            ->setChecked(m_dm.LeerParametro(QString::fromLatin1(o[0])).trimmed() == QLatin1String("S"));
    m_ui->cbLiveScan->setCurrentIndex(m_ui->cbLiveScan->findText(m_dm.LeerParametro(QStringLiteral("LiveScan")).trimmed()));
    m_ui->edPathLiveScan->setText(livescan::pathSetting());
    llenarProgramas(livescan::chosenDescription());
}

void TFConfigLiveScan::llenarProgramas(const QString &elegido)
{
    m_programas = livescan::descriptionsIn(livescan::folderOf(m_ui->edPathLiveScan->text()));
    m_ui->cbProgramaExterno->clear();
    int actual = -1;
    for (const ExternalCapturePrograms &p : std::as_const(m_programas)) {
        if (p.archivo.compare(elegido, Qt::CaseInsensitive) == 0)
            actual = m_ui->cbProgramaExterno->count();
        m_ui->cbProgramaExterno->addItem(p.titulo);
    }
    m_ui->cbProgramaExterno->setCurrentIndex(actual);
}

ExternalCapturePrograms TFConfigLiveScan::elegidos() const
{
    const int i = m_ui->cbProgramaExterno->currentIndex();
    return i >= 0 && i < m_programas.size() ? m_programas[i] : ExternalCapturePrograms {};
}

QString TFConfigLiveScan::rutaPrograma(const QString &exe) const
{
    QString name = exe.trimmed();
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return ProgramFolder::resolveIn(livescan::folderOf(m_ui->edPathLiveScan->text()), name);
}

void TFConfigLiveScan::btAceptarClick()
{
    for (const auto &o : kOpciones)
        m_dm.GrabarParametro(QString::fromLatin1(o[0]),
                             findChild<QCheckBox *>(QString::fromLatin1(o[1]))->isChecked() ? QStringLiteral("S") : QStringLiteral("N"));
    m_dm.GrabarParametro(QStringLiteral("LiveScan"), m_ui->cbLiveScan->currentText());
    livescan::save(m_ui->edPathLiveScan->text(), elegidos().archivo);
    accept();
}

void TFConfigLiveScan::btCancelarClick()
{
    cargar();
    reject();
}

void TFConfigLiveScan::btConfigurarClick()
{
    const QString exe = rutaPrograma(elegidos().exeConfig);
    if (!livescan::programExists(exe)) {
        Dialogs::information(livescan::missingProgramText(exe));
        return;
    }
    RunDetached(exe);
}

void TFConfigLiveScan::btCapturaClick()
{
    const QString exe = rutaPrograma(elegidos().exeCaptura);
    if (!livescan::programExists(exe)) {
        Dialogs::information(livescan::missingProgramText(exe));
        return;
    }
    RunAndWait(exe, QStringList {QStringLiteral("prueba")}, ShowState::Normal);
}

void TFConfigLiveScan::btLiveScanClick()
{
    const QString exe = rutaPrograma(elegidos().exeLiveScan);
    if (!livescan::programExists(exe)) {
        Dialogs::information(livescan::missingProgramText(exe));
        return;
    }
    RunAndWait(exe, QStringList {QStringLiteral("prueba")}, ShowState::Normal);
}

} // namespace qal
