#pragma once

#include "data/forms/FormsFixture.h"

#include "biometrics/FingerprintVerifier.h"
#include "imaging/BmpFile.h"
#include "requests/PersonalCentralService.h"
#include "requests/forms/TFPedP.h"

#include "core/Clock.h"
#include "exchange/RecordingTransport.h"
#include "support/Controls.h"
#include "ui/DbNavigator.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

namespace qal::test {

// Stands in for the central office: answers as told and remembers what it was asked.
struct CentralStandIn final : PersonalCentralService
{
    // AplicarBoleta: the slips it knows, by code, with the procedure type they apply.
    QMap<QString, QString> tramites;
    QStringList boletasAplicadas;
    Tdm *dm = nullptr;

    bool alcanzable = true;
    QString motivo = QStringLiteral("FOTOGRAFÍA ILEGIBLE");
    int rechazosPedidos = 0;
    int resultadoCodigo = 1;
    QStringList codigos; // "actual>nuevo" of each change asked

    bool AplicarBoleta(const QString &boleta) override
    {
        boletasAplicadas << boleta;
        if (!tramites.contains(boleta)) {
            Dialogs::information(QStringLiteral("Error: No se pudo encontrar el tipo de tramite"));
            return false;
        }
        dbase::Table &p = dm->pedp;
        if (p.state() == dbase::Table::State::Browse)
            p.edit();
        p.setValue(QStringLiteral("C_TRAM"), tramites.value(boleta));
        return true;
    }
    bool ObtenerMotivoRechazoPrivado(int, int, QString &texto, QString &error) override
    {
        ++rechazosPedidos;
        if (!alcanzable) {
            error = QStringLiteral("Error ObtenerMotivoRechazoPrivado: Connection refused");
            return false;
        }
        texto = motivo;
        return true;
    }
    bool ActualizarCodSegur(int, int, const QString &actual, const QString &nuevo, int &result,
                            QString &error) override
    {
        codigos << actual + QLatin1Char('>') + nuevo;
        if (!alcanzable) {
            error = QStringLiteral("Error ActualizarCodSegur: Connection refused");
            return false;
        }
        result = resultadoCodigo;
        return true;
    }
};

// Stands in for the central office's fingerprint verification: answers as told and
// remembers the user names it was asked about.
struct VerifierStandIn final : FingerprintVerifier
{
    qint64 answer = 1;
    QStringList users;

    bool VerificarHuella(const QString &appId, const QString &wsqBase64, qint64 &result, QString &error) override
    {
        users << appId;
        if (wsqBase64.isEmpty()) {
            error = QStringLiteral("Error VerificarHuella: sin huella");
            return false;
        }
        result = answer;
        return true;
    }

    // A finger image of the fixtures, as a scanner would give it.
    static GreyImage print() { return BmpFile::readGrey(TempFolder::fixture(QStringLiteral("fingers/bmp/safis_probe.bmp"))); }
};

// The demo program folder with the personal request form on screen, the clock fixed at noon
// of 31/03/2026 and a recording transport.
struct PersonalFormFixture : FormsFixture
{
    static QDate today() { return QDate(2026, 3, 31); }

    void SetUp() override
    {
        Clock::setFixed(QDateTime(today(), QTime(12, 0)));
        FormsFixture::SetUp();
        dm->VersionPrograma = QStringLiteral("3.1.7");
        dm->usuarioActual = QStringLiteral("admin");
        auto t = std::make_unique<RecordingTransport>();
        transport = t.get();
        dm->SMime = std::move(t);
        central.dm = dm.get();
        form = std::make_unique<TFPedP>(*dm);
        form->show();
    }
    void TearDown() override
    {
        form.reset();
        FormsFixture::TearDown();
        Clock::reset();
    }

    dbase::Table &pedp() { return dm->pedp; }

    void press(ui::DbNavigator::Button b) { QTest::mouseClick(child<ui::DbNavigator>(form, "nvPed")->button(b), Qt::LeftButton); }
    void click(QAbstractButton *b) { QTest::mouseClick(b, Qt::LeftButton); }

    static void type(QLineEdit *edit, const QString &text)
    {
        edit->setFocus();
        edit->selectAll();
        if (text.isEmpty())
            QTest::keyClick(edit, Qt::Key_Delete);
        typeText(edit, text);
    }

    static void choose(QComboBox *combo, const QString &text)
    {
        combo->showPopup();
        combo->hidePopup();
        const int row = combo->findText(text);
        ASSERT_GE(row, 0) << text.toStdString() << " is not offered";
        combo->setCurrentIndex(row);
        emit combo->activated(row);
    }

    // Each modal window the form opens is handed to whileShown, then closed if still open.
    void driveModalWindows(std::function<void(QDialog &)> whileShown)
    {
        form->mostrarModal = [this, whileShown](QDialog &d) {
            d.show();
            ++modalWindows;
            if (whileShown)
                whileShown(d);
            if (d.isVisible())
                d.reject();
            return d.result();
        };
    }

    // Stores a personal request ready to be sent, without the form; extra values go in last.
    QVariant storeRequest(const QVariantMap &extra = {})
    {
        dbase::Table &t = pedp();
        t.append();
        const QVariantMap values {{"C_SEXO", "F"}, {"C_TDOC", "DU"}, {"C_NAC", 1}, {"X_APE1", "PEREZ"},
                                  {"X_NOM1", "ANA"}, {"F_NAC", QDate(1980, 5, 17)}, {"N_DOC", 20123456},
                                  {"C_TRAM", "3"}, {"C_PRIOR", 3}};
        for (auto it = values.begin(); it != values.end(); ++it)
            t.setValue(it.key(), it.value());
        for (auto it = extra.begin(); it != extra.end(); ++it)
            t.setValue(it.key(), it.value());
        dm->grabacionAutorizada = true;
        t.post();
        // the first save makes every request "I": a later state comes with a later save
        if (extra.contains(QStringLiteral("C_EST")))
            change({{QStringLiteral("C_EST"), extra.value(QStringLiteral("C_EST"))}});
        return t.value(QStringLiteral("C_PED"));
    }

    // Sets fields of the current request past the form, as the program's own code does.
    void change(const QVariantMap &values)
    {
        dbase::Table &t = pedp();
        t.edit();
        for (auto it = values.begin(); it != values.end(); ++it)
            t.setValue(it.key(), it.value());
        dm->grabacionAutorizada = true;
        t.post();
    }

    std::unique_ptr<TFPedP> form;
    RecordingTransport *transport = nullptr;
    CentralStandIn central;
    int modalWindows = 0;
};

} // namespace qal::test
