#include "app/forms/TFMenu.h"
#include "app/forms/AvisosVentanas.h"
#include "reports/forms/TFEstCent.h"
#include "reports/forms/TFreporte.h"

#include "biometrics/FingerprintVerifier.h"
#include "biometrics/forms/TFBioVerif.h"
#include "data/Operador.h"
#include "imaging/BmpFile.h"
#include "data/PasswordProtection.h"
#include "data/ProgramFolderSetup.h"
#include "data/Tdm.h"
#include "data/forms/TFConfig.h"
#include "data/forms/TFVerConfig.h"
#include "data/forms/TPedirClave.h"
#include "exchange/TSMimeReg.h"
#include "requests/forms/TFConsOrg.h"
#include "requests/forms/TFConsPed.h"
#include "requests/forms/TFConsulta.h"
#include "requests/forms/TFOrg.h"
#include "requests/forms/TFPedP.h"
#include "requests/forms/TFped.h"

#include "core/ProgramFolder.h"
#include "support/ScriptedDialogs.h"
#include "support/TempFolder.h"
#include "support/Controls.h"
#include "ui/DbText.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QTimer>
#include <QStatusBar>
#include <QTest>
#include <QAction>
#include <QCheckBox>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>

#include <gtest/gtest.h>

using qal::test::child;

using namespace qal;

namespace {

struct MainWindowFixture : ::testing::Test
{
    void SetUp() override
    {
        before = ProgramFolder::path();
        createProgramFolder(dir.path());
        ProgramFolder::setPath(dir.path());
        dm = std::make_unique<Tdm>();
        dm->dmCreate();
        menu = std::make_unique<TFMenu>();
        menu->setDataModule(dm.get());
    }
    void TearDown() override
    {
        menu->otraInstancia = true; // no purge window on close
        menu.reset();
        dm.reset();
        ProgramFolder::setPath(before);
    }

    QStringList menuTitles()
    {
        QStringList titles;
        for (QAction *a : menu->menuBar()->actions())
            titles << a->text();
        return titles;
    }

    test::TempFolder dir;
    test::ScriptedDialogs dialogs;
    std::unique_ptr<Tdm> dm;
    std::unique_ptr<TFMenu> menu;
    QString before;
};

} // namespace

TEST_F(MainWindowFixture, ShowsTheOfficesNameVersionAndMenus)
{
    menu->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(menu.get()));
    EXPECT_EQ(menu->windowTitle(), "QAL - Regional");
    EXPECT_EQ(child<QLabel>(menu, "lbReg")->text(), QStringLiteral("Regional: Regional Demostración"));
    EXPECT_EQ(dm->VersionPrograma, "2.36");
    EXPECT_EQ(menuTitles(), QStringList({"&Archivo", "&Consulta", "&Utilidades", "U&suario", "&Envio", "A&yuda"}));
    EXPECT_FALSE(child<QMenu>(menu, "Usuario1")->menuAction()->isVisible()) << "hidden until a password log-in";
    EXPECT_TRUE(child<QAction>(menu, "InformeMensual1")->isVisible()) << "c_regp is 12";
    EXPECT_GE(menu->minimumWidth(), 665);
    EXPECT_NO_DIALOG_PROBLEMS(dialogs);
}

TEST_F(MainWindowFixture, TheDisableCheckBoxStopsTheTimerForGood)
{
    ASSERT_TRUE(dm->Timer.isActive());
    child<QCheckBox>(menu, "cbDesRecibir")->click();
    EXPECT_FALSE(dm->Timer.isActive());
    child<QCheckBox>(menu, "cbDesRecibir")->click();
    EXPECT_FALSE(dm->Timer.isActive()) << "unticking does not switch it on again";
}

TEST_F(MainWindowFixture, ProcessingMailWhileARequestIsEditedDoesNothingSilently)
{
    int fetched = 0;
    dm->fetchMail = [&] { ++fetched; };
    dm->ped.append();
    child<QPushButton>(menu, "btRecibir")->click();
    EXPECT_EQ(fetched, 0);
    EXPECT_TRUE(dialogs.texts().isEmpty());
    dm->ped.cancel();
    child<QPushButton>(menu, "btRecibir")->click();
    EXPECT_EQ(fetched, 1);
    dm->RecepcionLibre = false;
    child<QPushButton>(menu, "btRecibir")->click();
    EXPECT_EQ(dialogs.lastText(), "Advertencia: El proceso de recepción esta en curso..");
    dm->RecepcionLibre = true;
}

TEST_F(MainWindowFixture, TheMailWindowsOpenOnlyWhileNoReceptionRunsAndKeepItAwayMeanwhile)
{
    exchange::TSMimeReg smime(*dm, dir.path());
    menu->setTransport(&smime);
    QAction *inbox = child<QAction>(menu, "BandejadeEntradadelCorreoElectrnico1");
    EXPECT_TRUE(inbox->isEnabled());
    EXPECT_TRUE(inbox->isVisible());
    dm->RecepcionLibre = false;
    inbox->trigger();
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("Advertencia: No se puede abrir la bandeja \rporque se están "
                                                 "recibiendo mensajes. \rVuelva a intentar en unos instantes."));
    child<QAction>(menu, "Probarconfiguracindecuenta1")->trigger();
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("Advertencia: Se están recibiendo mensajes. \rVuelva a intentar en unos instantes."));
    EXPECT_FALSE(dm->RecepcionLibre) << "a refused window leaves the running reception alone";

    dm->RecepcionLibre = true;
    bool libreMientras = true;
    QString titulo;
    QTimer::singleShot(0, [&] {
        libreMientras = dm->RecepcionLibre;
        QWidget *w = QApplication::activeModalWidget();
        titulo = w ? w->windowTitle() : QString();
        if (w)
            w->close();
    });
    inbox->trigger();
    EXPECT_EQ(titulo, QStringLiteral("Correo Electrónico - Bandeja de Entrada  -"));
    EXPECT_FALSE(libreMientras);
    EXPECT_TRUE(dm->RecepcionLibre);
    menu->setTransport(nullptr);
}

TEST_F(MainWindowFixture, TheIndexRebuildCommandReportsSuccess)
{
    child<QAction>(menu, "OrdenamientodeArchivos1")->trigger();
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("Finalizó el ordenamiento exitosamente"));
    EXPECT_TRUE(dm->ped.isOpen());
}

namespace {

// Runs f on the next modal dialog of type T once it is open.
template<typename T>
void whenModal(std::function<void(T *)> f)
{
    QTimer::singleShot(0, [f] {
        T *dialog = nullptr;
        for (int i = 0; i < 200 && !dialog; ++i) {
            dialog = qobject_cast<T *>(QApplication::activeModalWidget());
            if (!dialog)
                QTest::qWait(10);
        }
        ASSERT_NE(dialog, nullptr);
        f(dialog);
    });
}

void logIn(TPedirClave *d, const QString &user, const QString &password)
{
    child<QLineEdit>(d, "edUsuario")->clear();
    child<QLineEdit>(d, "edContrasena")->clear();
    QTest::keyClicks(child<QLineEdit>(d, "edUsuario"), user);
    QTest::keyClicks(child<QLineEdit>(d, "edContrasena"), password);
    QTest::mouseClick(child<QPushButton>(d, "btAceptar"), Qt::LeftButton);
}

struct SecureStart : MainWindowFixture
{
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        Operador::actual() = {};
        dm->mSegur = true;
        QObject::connect(menu.get(), &TFMenu::terminateRequested, menu.get(), [this] { ++terminations; });
    }
    void TearDown() override
    {
        Operador::actual() = {};
        MainWindowFixture::TearDown();
    }
    QAction *usuarioMenu() { return child<QMenu>(menu, "Usuario1")->menuAction(); }
    int terminations = 0;
};

} // namespace

TEST_F(SecureStart, TheThirdWrongLogInEndsTheProgram)
{
    whenModal<TPedirClave>([](TPedirClave *d) {
        EXPECT_EQ(child<QLabel>(d, "Sistema")->text(), "QAL Regional");
        logIn(d, QStringLiteral("admin"), QStringLiteral("mala1"));
        logIn(d, QStringLiteral("admin"), QStringLiteral("mala2"));
        logIn(d, QStringLiteral("admin"), QStringLiteral("mala3"));
    });
    menu->show();
    EXPECT_EQ(terminations, 1);
    EXPECT_TRUE(menu->accesoDenegado);
    EXPECT_FALSE(menu->isVisible()) << "never used";
    EXPECT_FALSE(usuarioMenu()->isVisible());
    EXPECT_EQ(dialogs.texts(), QStringList({"Usuario y/o contraseña incorrecta", "Usuario y/o contraseña incorrecta",
                                            "Intento de ingreso no autorizado"}));
}

TEST_F(SecureStart, CancellingTheLogInEndsTheProgram)
{
    whenModal<TPedirClave>([](TPedirClave *d) { QTest::mouseClick(child<QPushButton>(d, "btCancelar"), Qt::LeftButton); });
    menu->show();
    EXPECT_EQ(terminations, 1);
    EXPECT_FALSE(menu->isVisible());
}

TEST_F(SecureStart, AdminSeesTheUserMenuWithAdministration)
{
    whenModal<TPedirClave>([](TPedirClave *d) { logIn(d, QStringLiteral("admin"), QStringLiteral("admin")); });
    menu->show();
    EXPECT_EQ(terminations, 0);
    EXPECT_TRUE(usuarioMenu()->isVisible());
    EXPECT_TRUE(child<QAction>(menu, "AdministrarUsu")->isVisible());
    EXPECT_TRUE(child<QAction>(menu, "miCambClave")->isEnabled());
    EXPECT_EQ(dialogs.titles(), QStringList({"Consejo"}));
}

TEST_F(SecureStart, AnotherOperatorDoesNotSeeAdministration)
{
    dm->usu.append();
    dm->usu.setValue("C_LOGIN", QStringLiteral("juan"));
    dm->usu.setValue("C_CLAVE", ProtegerClave(QStringLiteral("clave1")));
    dm->usu.post();
    menu->pedirClave = [](const QString &sistema) {
        EXPECT_EQ(sistema, "QAL Regional");
        Operador::actual() = {QStringLiteral("juan"), QStringLiteral("clave1")};
        return true;
    };
    menu->show();
    EXPECT_TRUE(usuarioMenu()->isVisible());
    EXPECT_FALSE(child<QAction>(menu, "AdministrarUsu")->isVisible());
}

namespace {

// The central office's fingerprint verification, answering as told.
struct VerifierStandIn final : FingerprintVerifier
{
    qint64 answer = 1;
    bool VerificarHuella(const QString &, const QString &, qint64 &result, QString &) override
    {
        result = answer;
        return true;
    }
};

// The operator at start-up: types the user name and puts a finger on the scanner once.
struct FingerprintStart : SecureStart
{
    void SetUp() override
    {
        SecureStart::SetUp();
        dm->hayLiveScan = true; // c_regp is 12
        menu->setVerificadorHuella(&verifier);
        menu->mostrarModal = [this](QDialog &d) {
            auto &bio = dynamic_cast<TFBioVerif &>(d);
            d.show();
            captions << d.windowTitle();
            bio.edAppID()->setText(QStringLiteral("jperez"));
            bio.verificar(BmpFile::readGrey(test::TempFolder::fixture(QStringLiteral("fingers/bmp/safis_probe.bmp"))));
            if (d.isVisible())
                d.reject();
            return d.result();
        };
        menu->pedirClave = [this](const QString &) {
            ++asked;
            Operador::actual() = {QStringLiteral("admin"), QStringLiteral("admin")};
            return true;
        };
    }
    VerifierStandIn verifier;
    QStringList captions;
    int asked = 0;
};

} // namespace

TEST_F(FingerprintStart, AVerifiedPrintNamesTheOperatorAndNoPasswordIsAsked)
{
    verifier.answer = 31;
    menu->show();
    EXPECT_EQ(captions, QStringList {"Identificación Biometrica"});
    EXPECT_EQ(child<QLabel>(menu, "lblBio")->text(), "Usuario: jperez - VerifID: 31");
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(terminations, 0);
    EXPECT_FALSE(usuarioMenu()->isVisible());
}

TEST_F(FingerprintStart, AnOperatorNotIdentifiedIsNotNamedAndGivesThePasswordWhereOneIsRequired)
{
    // 2^32 + 1: low 32 bits of 1, and no verification
    verifier.answer = Q_INT64_C(4294967297);
    menu->show();
    EXPECT_EQ(captions.size(), 1);
    EXPECT_EQ(child<QLabel>(menu, "lblBio")->text(), "Usuario no identificado");
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(usuarioMenu()->isVisible());
    EXPECT_EQ(terminations, 0);
}

TEST_F(FingerprintStart, WithoutPasswordsAnOperatorNotIdentifiedWorksUnnamed)
{
    dm->mSegur = false;
    verifier.answer = 0;
    menu->show();
    EXPECT_EQ(child<QLabel>(menu, "lblBio")->text(), "Usuario no identificado");
    EXPECT_EQ(asked, 0);
    EXPECT_FALSE(menu->accesoDenegado);
    EXPECT_EQ(terminations, 0);
}

TEST_F(MainWindowFixture, TheSettingsCommandRefreshesTheOfficesName)
{
    menu->show();
    ASSERT_TRUE(child<QAction>(menu, "Configuracion")->isEnabled());
    whenModal<TFConfig>([](TFConfig *c) {
        child<QLineEdit>(c, "x_reg")->setText(QStringLiteral("Regional Rosario"));
        QTest::mouseClick(child<QPushButton>(c, "btAceptar"), Qt::LeftButton);
    });
    child<QAction>(menu, "Configuracion")->trigger();
    EXPECT_EQ(child<QLabel>(menu, "lbReg")->text(), "Regional: Regional Rosario");
    EXPECT_NO_DIALOG_PROBLEMS(dialogs);
}

TEST_F(MainWindowFixture, TheSendingLogWindowKeepsItsLinesBetweenShowings)
{
    whenModal<TFVerConfig>([](TFVerConfig *v) {
        v->obtenerIdentidad = [] { return NetworkIdentity {"AA:BB:CC:DD:EE:FF", "10.1.1.1", "pc"}; };
        QTest::mouseClick(child<QPushButton>(v, "btMostrar"), Qt::LeftButton);
        QTest::keyClick(v, Qt::Key_Escape);
    });
    child<QAction>(menu, "miVerConfigHost")->trigger();
    whenModal<TFVerConfig>([](TFVerConfig *v) {
        EXPECT_TRUE(child<QPlainTextEdit>(v, "Memo1")->toPlainText().endsWith(QStringLiteral("IP: 10.1.1.1")));
        v->close();
    });
    child<QAction>(menu, "miVerConfigHost")->trigger();
}

TEST_F(MainWindowFixture, OfficialRequestsOpenUnlessTheOfficeIsNumberedZero)
{
    ASSERT_TRUE(child<QPushButton>(menu, "btPedido")->isEnabled());
    ASSERT_TRUE(child<QAction>(menu, "Pedidos2")->isEnabled());
    dm->GrabarParametro(QStringLiteral("c_reg"), QStringLiteral("0"));
    child<QAction>(menu, "Pedidos2")->trigger();
    EXPECT_EQ(dialogs.texts(), QStringList({"El sistema no está configurado para gestionar pedidos oficiales"}));
    EXPECT_EQ(menu->formularioPedido(), nullptr);

    dialogs.clear();
    dm->GrabarParametro(QStringLiteral("c_reg"), QString()); // never configured still opens
    QTest::mouseClick(child<QPushButton>(menu, "btPedido"), Qt::LeftButton);
    ASSERT_NE(menu->formularioPedido(), nullptr);
    EXPECT_TRUE(menu->formularioPedido()->isVisible());
    EXPECT_EQ(menu->formularioPedido()->windowTitle(), "QAL - Pedido Oficial de Antecedentes");
    EXPECT_TRUE(dialogs.texts().isEmpty());
    child<QAction>(menu, "Pedidos2")->trigger(); // the same window again, never a second one
    EXPECT_EQ(menu->findChildren<TFped *>().size(), 1);
}

TEST_F(MainWindowFixture, SearchListAndAgencyCommandsEachShowTheirOneWindow)
{
    {
        dbase::Table ped(QStringLiteral("PED.DBF"));
        ped.open();
        ped.append();
        ped.setValue("C_PED", 5);
        ped.setValue("X_APE1", QStringLiteral("MUÑOZ"));
        ped.setValue("C_ORG", 1);
        ped.post();
    }
    dm->ped.refresh();
    for (QObject *command : {static_cast<QObject *>(child<QAction>(menu, "Busqueda1")), static_cast<QObject *>(child<QPushButton>(menu, "Button2")),
                             static_cast<QObject *>(child<QAction>(menu, "Organismos1")), static_cast<QObject *>(child<QPushButton>(menu, "btOrg")),
                             static_cast<QObject *>(child<QAction>(menu, "Organismos2")),
                             static_cast<QObject *>(child<QAction>(menu, "PedidosOficiales1"))}) {
        if (auto *a = qobject_cast<QAction *>(command)) {
            EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();
            a->trigger();
        } else {
            auto *b = qobject_cast<QPushButton *>(command);
            EXPECT_TRUE(b->isEnabled()) << b->objectName().toStdString();
            QTest::mouseClick(b, Qt::LeftButton);
        }
    }
    ASSERT_NE(menu->busqueda(), nullptr);
    EXPECT_EQ(menu->findChildren<TFConsulta *>().size(), 1);
    EXPECT_EQ(menu->busqueda()->windowTitle(), "Consulta de Pedidos");
    ASSERT_NE(menu->consultaOrganismos(), nullptr);
    EXPECT_EQ(menu->consultaOrganismos()->windowTitle(), "QAL - Consulta de Organismos");
    ASSERT_NE(menu->organismos(), nullptr);
    EXPECT_EQ(menu->findChildren<TFOrg *>().size(), 1);
    EXPECT_EQ(menu->organismos()->windowTitle(), "QAL - Administración de Organismos");
    ASSERT_NE(menu->listaPedidos(), nullptr);
    for (QWidget *w : {static_cast<QWidget *>(menu->busqueda()), static_cast<QWidget *>(menu->consultaOrganismos()),
                       static_cast<QWidget *>(menu->organismos()), static_cast<QWidget *>(menu->listaPedidos())}) {
        EXPECT_TRUE(w->isVisible()) << w->objectName().toStdString();
        EXPECT_FALSE(w->isModal()) << w->objectName().toStdString();
    }

    // the search opens the request found in its form, modally while the form is closed
    TFConsulta *search = menu->busqueda();
    child<QLineEdit>(search, "c_tram")->setText("5");
    QTest::mouseClick(child<QPushButton>(search, "btBuscar"), Qt::LeftButton);
    bool shownModal = false;
    whenModal<TFped>([&](TFped *form) {
        shownModal = true;
        EXPECT_EQ(child<ui::DbText>(form, "c_ped")->text(), "5");
        form->close();
    });
    QTest::mouseClick(child<QPushButton>(search, "btVer"), Qt::LeftButton);
    EXPECT_TRUE(shownModal);
    EXPECT_EQ(dm->ped.value("C_PED").toInt(), 5);

    // the list shows it beside itself
    TFConsPed *list = menu->listaPedidos();
    ASSERT_EQ(child<QTableView>(list, "DBGrid1")->model()->rowCount(), 1);
    QTest::mouseClick(child<QPushButton>(list, "btVer"), Qt::LeftButton);
    ASSERT_NE(menu->formularioPedido(), nullptr);
    EXPECT_TRUE(menu->formularioPedido()->isVisible());
    EXPECT_FALSE(menu->formularioPedido()->isModal());
    EXPECT_EQ(menu->findChildren<TFped *>().size(), 1);
    EXPECT_NO_DIALOG_PROBLEMS(dialogs);
}

TEST_F(MainWindowFixture, PersonalRequestsOpenUnlessTheirOfficeIsNumberedZero)
{
    ASSERT_TRUE(child<QPushButton>(menu, "Button1")->isEnabled());
    dm->GrabarParametro(QStringLiteral("c_regp"), QStringLiteral("0"));
    QTest::mouseClick(child<QPushButton>(menu, "Button1"), Qt::LeftButton);
    ASSERT_EQ(dialogs.texts().size(), 1);
    const QStringList lines = dialogs.texts().front().split('\r');
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], "El sistema no está configurado para gestionar pedidos personales");
    EXPECT_TRUE(lines[1].startsWith("Pongase en contacto con: Soporte técnico de QAL Central")) << lines[1].toStdString();
    EXPECT_EQ(menu->formularioPedidoPersonal(), nullptr);

    dialogs.clear();
    dm->GrabarParametro(QStringLiteral("c_regp"), QString()); // never configured still opens
    QTest::mouseClick(child<QPushButton>(menu, "Button1"), Qt::LeftButton);
    ASSERT_NE(menu->formularioPedidoPersonal(), nullptr);
    EXPECT_TRUE(menu->formularioPedidoPersonal()->isVisible());
    EXPECT_EQ(menu->formularioPedidoPersonal()->windowTitle(), "QAL - Pedido Personal de Antecedentes");
    EXPECT_TRUE(dialogs.texts().isEmpty());
    QTest::mouseClick(child<QPushButton>(menu, "Button1"), Qt::LeftButton);
    EXPECT_EQ(menu->findChildren<TFPedP *>().size(), 1);
}

TEST_F(MainWindowFixture, TheCentralStateAndMonthlyReportItemsRunTheirWindows)
{
    QStringList ran;
    menu->mostrarModal = [&ran](QDialog &d) {
        ran << d.windowTitle();
        return int(QDialog::Rejected);
    };
    ASSERT_TRUE(child<QPushButton>(menu, "btEstCent")->isEnabled());
    child<QPushButton>(menu, "btEstCent")->click();
    ASSERT_TRUE(child<QAction>(menu, "InformeMensual1")->isEnabled());
    child<QAction>(menu, "InformeMensual1")->trigger();
    EXPECT_EQ(ran, (QStringList {"Estado de los pedidos en QAL Central", "Informe mesual"}));
    ASSERT_NE(menu->estadoCentral(), nullptr);

    // the request forms ask the central-state window for the state of one file
    dm->GrabarParametro("m_es_suc", "S");
    child<QPushButton>(menu, "btPedido")->click();
    ASSERT_NE(menu->formularioPedido(), nullptr);
    EXPECT_TRUE(menu->formularioPedido()->findChild<QPushButton *>("btEstVelcor")->isEnabled());
    menu->formularioPedido()->hide();
    EXPECT_NO_DIALOG_PROBLEMS(dialogs);
}

TEST_F(MainWindowFixture, StateListsArrivingByMailGoToTheCentralStateWindow)
{
    TFreporte reporte;
    AvisosVentanas avisos(*dm, reporte, menu->estadoCentral(), {});
    menu->estadoCentral()->AgregarLineas({"lista anterior"});
    avisos.limpiarEstados();
    avisos.estados({"Estado de pedidos oficiales en QAL Central al ...", "12         CONTESTADO"});
    EXPECT_EQ(menu->estadoCentral()->lineas(),
              (QStringList {"Estado de pedidos oficiales en QAL Central al ...", "12         CONTESTADO"}));
    EXPECT_TRUE(menu->estadoCentral()->isVisible());
    QFile log(dir.file("EstCent.log"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_EQ(log.readAll(), "Estado de pedidos oficiales en QAL Central al ...\r\n12         CONTESTADO\r\n");
    menu->estadoCentral()->hide();
    EXPECT_NO_DIALOG_PROBLEMS(dialogs);
}
