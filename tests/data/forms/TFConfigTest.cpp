#include "FormsFixture.h"

#include "data/PasswordProtection.h"
#include "data/forms/TFConfig.h"
#include "data/forms/TFVerConfig.h"

#include "support/Typing.h"
#include "support/Controls.h"
#include "ui/DbGrid.h"

#include <QApplication>
#include <QClipboard>
#include <QTest>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

using qal::test::child;

using namespace qal;

namespace {

struct Settings : test::FormsFixture
{
    void TearDown() override
    {
        window.reset();
        test::FormsFixture::TearDown();
    }
    void open()
    {
        window = std::make_unique<TFConfig>(*dm);
        window->show();
    }
    void setSetting(const QString &key, const QString &value) { ASSERT_TRUE(dm->GrabarParametro(key, value)); }
    void removeSetting(const QString &key)
    {
        ASSERT_TRUE(dm->amb.findKey(key));
        dm->amb.deleteRecord();
    }
    void type(QLineEdit *e, const QString &text)
    {
        e->clear();
        test::typeText(e, text);
    }
    void aceptar() { QTest::mouseClick(child<QPushButton>(window, "btAceptar"), Qt::LeftButton); }
    QString setting(const char *key) { return dm->LeerParametro(QLatin1String(key)); }

    std::unique_ptr<TFConfig> window;
};

} // namespace

TEST_F(Settings, ShowsEveryKeyWithItsCaption)
{
    setSetting("m_chkdatbol", "");
    removeSetting("m_impauto");
    setSetting("m_domic", "S");
    open();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Configuración de QAL Regional"));
    EXPECT_EQ(child<QLineEdit>(window, "c_regp")->text(), "12");
    EXPECT_EQ(child<QLineEdit>(window, "x_reg")->text(), QStringLiteral("Regional Demostración"));
    EXPECT_EQ(child<QLineEdit>(window, "x_toregp")->text(), "qal.central@central.gob.ar");
    EXPECT_EQ(child<QLineEdit>(window, "frec_recep")->text(), "5");
    EXPECT_EQ(child<QLineEdit>(window, "dias_fpago")->text(), "365");
    EXPECT_TRUE(child<QCheckBox>(window, "m_impauto")->isChecked()) << "absent: on";
    EXPECT_TRUE(child<QCheckBox>(window, "m_chkdatbol")->isChecked()) << "anything but N: on";
    EXPECT_TRUE(child<QCheckBox>(window, "m_domic")->isChecked());
    EXPECT_TRUE(child<QCheckBox>(window, "m_fecpago")->isChecked());
    EXPECT_FALSE(child<QCheckBox>(window, "m_nomi")->isVisibleTo(window.get()));
    EXPECT_EQ(child<QGroupBox>(window, "gbRegional")->title(), " Regional ");
    EXPECT_EQ(child<QGroupBox>(window, "gbCorreo")->title(), QStringLiteral(" Correo electrónico y contestaciones "));
    EXPECT_EQ(child<QLabel>(window, "lbMaxContes")->text(), QStringLiteral("Número máximo de contestaciones a procesar: "));
    EXPECT_EQ(child<QLineEdit>(window, "proxy_pass")->echoMode(), QLineEdit::Password);
    const auto *grid = child<ui::DbGrid>(window, "dbgUrl")->model();
    EXPECT_EQ(grid->headerData(0, Qt::Horizontal).toString(), "Prioridad");
    EXPECT_EQ(grid->headerData(1, Qt::Horizontal).toString(), "Url");
    EXPECT_EQ(grid->index(0, 1).data().toString(), "http://127.0.0.1/qalcentral");
    EXPECT_TRUE(dialogs.texts().isEmpty());
}

TEST_F(Settings, AProxyUserWithoutPasswordOrTooLongIsRefused)
{
    open();
    type(child<QLineEdit>(window, "proxy_user"), QStringLiteral("usuario.proxy"));
    aceptar();
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(child<QLineEdit>(window, "proxy_pass")->hasFocus() || !QApplication::focusWidget());
    type(child<QLineEdit>(window, "proxy_user"), QString(31, QLatin1Char('u')));
    type(child<QLineEdit>(window, "proxy_pass"), QStringLiteral("clave1"));
    aceptar();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(dialogs.texts(), QStringList({"Por favor introduzca la contraseña del proxy",
                                            QStringLiteral("El usuario del proxy no puede tener más de 30 letras")}));
    EXPECT_TRUE(setting("proxy_user").isEmpty()) << "nothing written";
}

TEST_F(Settings, AceptarWritesTheKeysInOrderAndRefreshesTheFlags)
{
    open();
    QStringList order;
    dm->amb.afterPost = [&order](dbase::Table &t) { order << t.value("C_AMB").toString(); };
    type(child<QLineEdit>(window, "x_toregp"), QStringLiteral("central@qal.gob.ar"));
    type(child<QLineEdit>(window, "x_reg"), QStringLiteral("Regional Córdoba"));
    type(child<QLineEdit>(window, "proxy_user"), QStringLiteral("proxyuser"));
    type(child<QLineEdit>(window, "proxy_pass"), QStringLiteral("Clave9"));
    type(child<QLineEdit>(window, "http_proxy"), QStringLiteral("10.0.0.1"));
    child<QCheckBox>(window, "m_domic")->click();
    child<QCheckBox>(window, "m_impauto")->click();
    QStringList handedOver;
    window->entregarProxy = [&](const QString &host, const QString &port, const QString &user, const QString &pass) {
        handedOver = {host, port, user, pass};
        order << QStringLiteral("(proxy)");
    };
    aceptar();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(order, QStringList({"m_fecpago", "dias_fpago", "x_toregp", "x_toreg", "x_reg", "url_cert", "frec_recep",
                                  "dur_guarda", "c_regp", "c_reg", "max_contes", "http_proxy", "http_port",
                                  "proxy_user", "proxy_pass", "(proxy)", "m_nomi", "m_domic", "m_chkdatbol",
                                  "m_impauto"}));
    EXPECT_EQ(handedOver, QStringList({"10.0.0.1", "", "proxyuser", "clave9"}));
    EXPECT_EQ(setting("x_toreg"), "central@qal.gob.ar");
    EXPECT_EQ(setting("proxy_pass"), CifrarClaveProxy(QStringLiteral("clave9"), QStringLiteral("proxyuser")));
    EXPECT_NE(setting("proxy_pass"), "clave9");
    EXPECT_TRUE(dm->mDomic);
    EXPECT_FALSE(dm->mImpAuto);
    EXPECT_EQ(setting("m_impauto"), "N");
    dm->amb.afterPost = nullptr;

    // a fresh start reads the stored proxy password back
    window.reset();
    startDataModule();
    open();
    EXPECT_EQ(child<QLineEdit>(window, "proxy_user")->text(), "proxyuser");
    EXPECT_EQ(child<QLineEdit>(window, "proxy_pass")->text(), "clave9");
    EXPECT_EQ(child<QLineEdit>(window, "x_reg")->text(), QStringLiteral("Regional Córdoba"));
    EXPECT_TRUE(dialogs.texts().isEmpty());
}

TEST_F(Settings, WithoutProxyUserAndPasswordTheStoredPasswordIsEmpty)
{
    setSetting("proxy_pass", "basura");
    open();
    aceptar();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(setting("proxy_pass"), "");
}

TEST_F(Settings, APasswordThatCannotBeReadBackIsAskedForAgain)
{
    setSetting("proxy_user", "otro");
    setSetting("proxy_pass", CifrarClaveProxy(QStringLiteral("clave9"), QStringLiteral("proxyuser")));
    open();
    EXPECT_TRUE(child<QLineEdit>(window, "proxy_pass")->text().isEmpty());
    EXPECT_EQ(dialogs.texts(), QStringList({"Por favor vuelva a poner el usuario y contraseña del proxy."}));
}

TEST_F(Settings, EnteringTheProxyUserEmptiesThePassword)
{
    setSetting("proxy_user", "proxyuser");
    setSetting("proxy_pass", CifrarClaveProxy(QStringLiteral("clave9"), QStringLiteral("proxyuser")));
    open();
    EXPECT_EQ(child<QLineEdit>(window, "proxy_pass")->text(), "clave9");
    QFocusEvent focusIn(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(child<QLineEdit>(window, "proxy_user"), &focusIn);
    EXPECT_TRUE(child<QLineEdit>(window, "proxy_pass")->text().isEmpty());
}

TEST_F(Settings, CancelarWritesNothing)
{
    open();
    type(child<QLineEdit>(window, "x_reg"), QStringLiteral("Otra"));
    child<QCheckBox>(window, "m_domic")->click();
    QTest::mouseClick(child<QPushButton>(window, "btCancelar"), Qt::LeftButton);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(setting("x_reg"), QStringLiteral("Regional Demostración"));
    EXPECT_EQ(setting("m_domic"), "N");
}

TEST_F(Settings, AFailedSaveIsReportedAndTheWindowStaysOpen)
{
    open();
    type(child<QLineEdit>(window, "x_reg"), QStringLiteral("Otra"));
    dm->amb.close();
    aceptar();
    EXPECT_TRUE(window->isVisible());
    ASSERT_EQ(dialogs.texts().size(), 1);
    EXPECT_TRUE(dialogs.lastText().startsWith(QStringLiteral("No se pudo grabar la configuración: m_fecpago, ")));
    EXPECT_EQ(dialogs.titles(), QStringList({"Error"}));
}

TEST_F(Settings, TypedSettingsAreStoredAsTheSettingsTableHoldsText)
{
    open();
    child<QLineEdit>(window, "x_reg")->clear();
    QApplication::clipboard()->setText(QStringLiteral("Regional\tŁomża\x1a"));
    child<QLineEdit>(window, "x_reg")->setFocus();
    QTest::keyClick(child<QLineEdit>(window, "x_reg"), Qt::Key_V, Qt::ControlModifier);
    type(child<QLineEdit>(window, "url_cert"), QString(260, QLatin1Char('u')));
    EXPECT_EQ(child<QLineEdit>(window, "url_cert")->text().size(), 254) << "the value field's width, said at the control";
    aceptar();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(setting("x_reg"), QStringLiteral("Regional Lomza"));
    EXPECT_EQ(setting("url_cert"), QString(254, QLatin1Char('u')));
}

TEST_F(Settings, NumericKeysTakeOnlyDigits)
{
    open();
    type(child<QLineEdit>(window, "frec_recep"), QStringLiteral("1x0"));
    EXPECT_EQ(child<QLineEdit>(window, "frec_recep")->text(), "10");
}

namespace {

struct SendingLog : test::FormsFixture
{
};

} // namespace

TEST_F(SendingLog, MostrarConfiguracionAppendsTheOfficeAndNetworkIdentity)
{
    TFVerConfig window(*dm);
    window.obtenerIdentidad = [] { return NetworkIdentity {"00:1A:2B:3C:4D:5E", "192.168.0.7", "regional-pc"}; };
    window.show();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Log / configuración de envío"));
    EXPECT_TRUE(child<QPlainTextEdit>(window, "Memo1")->isReadOnly());
    EXPECT_FALSE(child<QPushButton>(window, "btVerificar")->isEnabled());
    window.agregarLinea(QStringLiteral("envío 1"));
    QTest::mouseClick(child<QPushButton>(window, "btMostrar"), Qt::LeftButton);
    EXPECT_EQ(child<QPlainTextEdit>(window, "Memo1")->toPlainText(),
              QStringLiteral("envío 1\nCódigo de regional oficial: 12\nCódigo de regional privado: 12\n"
                             "MAC: 00:1A:2B:3C:4D:5E\nHost: regional-pc\nIP: 192.168.0.7"));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
}

TEST_F(SendingLog, VerificarAppendsTheChecksAnswerOnceTheCheckIsInstalled)
{
    TFVerConfig window(*dm);
    window.show();
    int calls = 0;
    window.setVerificacion([&calls] {
        ++calls;
        return QStringLiteral("Configuración verificada - tiempo: 12 ms.");
    });
    ASSERT_TRUE(child<QPushButton>(window, "btVerificar")->isEnabled());
    QTest::mouseClick(child<QPushButton>(window, "btVerificar"), Qt::LeftButton);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(child<QPlainTextEdit>(window, "Memo1")->toPlainText(), QStringLiteral("Configuración verificada - tiempo: 12 ms."));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}
