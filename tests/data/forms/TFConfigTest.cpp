#include "FormsFixture.h"

#include "data/PasswordProtection.h"
#include "data/forms/TFConfig.h"
#include "data/forms/TFVerConfig.h"
#include "ui_TFConfig.h"
#include "ui_TFVerConfig.h"

#include "support/Typing.h"

#include <QApplication>
#include <QClipboard>
#include <QTest>

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
    void aceptar() { QTest::mouseClick(window->ui()->btAceptar, Qt::LeftButton); }
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
    auto *u = window->ui();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Configuración de QAL Regional"));
    EXPECT_EQ(u->c_regp->text(), "12");
    EXPECT_EQ(u->x_reg->text(), QStringLiteral("Regional Demostración"));
    EXPECT_EQ(u->x_toregp->text(), "qal.central@central.gob.ar");
    EXPECT_EQ(u->frec_recep->text(), "5");
    EXPECT_EQ(u->dias_fpago->text(), "365");
    EXPECT_TRUE(u->m_impauto->isChecked()) << "absent: on";
    EXPECT_TRUE(u->m_chkdatbol->isChecked()) << "anything but N: on";
    EXPECT_TRUE(u->m_domic->isChecked());
    EXPECT_TRUE(u->m_fecpago->isChecked());
    EXPECT_FALSE(u->m_nomi->isVisibleTo(window.get()));
    EXPECT_EQ(u->gbRegional->title(), " Regional ");
    EXPECT_EQ(u->gbCorreo->title(), QStringLiteral(" Correo electrónico y contestaciones "));
    EXPECT_EQ(u->lbMaxContes->text(), QStringLiteral("Número máximo de contestaciones a procesar: "));
    EXPECT_EQ(u->proxy_pass->echoMode(), QLineEdit::Password);
    const auto *grid = u->dbgUrl->model();
    EXPECT_EQ(grid->headerData(0, Qt::Horizontal).toString(), "Prioridad");
    EXPECT_EQ(grid->headerData(1, Qt::Horizontal).toString(), "Url");
    EXPECT_EQ(grid->index(0, 1).data().toString(), "http://127.0.0.1/qalcentral");
    EXPECT_TRUE(dialogs.texts().isEmpty());
}

TEST_F(Settings, AProxyUserWithoutPasswordOrTooLongIsRefused)
{
    open();
    type(window->ui()->proxy_user, QStringLiteral("usuario.proxy"));
    aceptar();
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->ui()->proxy_pass->hasFocus() || !QApplication::focusWidget());
    type(window->ui()->proxy_user, QString(31, QLatin1Char('u')));
    type(window->ui()->proxy_pass, QStringLiteral("clave1"));
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
    auto *u = window->ui();
    type(u->x_toregp, QStringLiteral("central@qal.gob.ar"));
    type(u->x_reg, QStringLiteral("Regional Córdoba"));
    type(u->proxy_user, QStringLiteral("proxyuser"));
    type(u->proxy_pass, QStringLiteral("Clave9"));
    type(u->http_proxy, QStringLiteral("10.0.0.1"));
    u->m_domic->click();
    u->m_impauto->click();
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
    EXPECT_EQ(window->ui()->proxy_user->text(), "proxyuser");
    EXPECT_EQ(window->ui()->proxy_pass->text(), "clave9");
    EXPECT_EQ(window->ui()->x_reg->text(), QStringLiteral("Regional Córdoba"));
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
    EXPECT_TRUE(window->ui()->proxy_pass->text().isEmpty());
    EXPECT_EQ(dialogs.texts(), QStringList({"Por favor vuelva a poner el usuario y contraseña del proxy."}));
}

TEST_F(Settings, EnteringTheProxyUserEmptiesThePassword)
{
    setSetting("proxy_user", "proxyuser");
    setSetting("proxy_pass", CifrarClaveProxy(QStringLiteral("clave9"), QStringLiteral("proxyuser")));
    open();
    EXPECT_EQ(window->ui()->proxy_pass->text(), "clave9");
    QFocusEvent focusIn(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(window->ui()->proxy_user, &focusIn);
    EXPECT_TRUE(window->ui()->proxy_pass->text().isEmpty());
}

TEST_F(Settings, CancelarWritesNothing)
{
    open();
    type(window->ui()->x_reg, QStringLiteral("Otra"));
    window->ui()->m_domic->click();
    QTest::mouseClick(window->ui()->btCancelar, Qt::LeftButton);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(setting("x_reg"), QStringLiteral("Regional Demostración"));
    EXPECT_EQ(setting("m_domic"), "N");
}

TEST_F(Settings, AFailedSaveIsReportedAndTheWindowStaysOpen)
{
    open();
    type(window->ui()->x_reg, QStringLiteral("Otra"));
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
    auto *u = window->ui();
    u->x_reg->clear();
    QApplication::clipboard()->setText(QStringLiteral("Regional\tŁomża\x1a"));
    u->x_reg->setFocus();
    QTest::keyClick(u->x_reg, Qt::Key_V, Qt::ControlModifier);
    type(u->url_cert, QString(260, QLatin1Char('u')));
    EXPECT_EQ(u->url_cert->text().size(), 254) << "the value field's width, said at the control";
    aceptar();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(setting("x_reg"), QStringLiteral("Regional Lomza"));
    EXPECT_EQ(setting("url_cert"), QString(254, QLatin1Char('u')));
}

TEST_F(Settings, NumericKeysTakeOnlyDigits)
{
    open();
    type(window->ui()->frec_recep, QStringLiteral("1x0"));
    EXPECT_EQ(window->ui()->frec_recep->text(), "10");
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
    EXPECT_TRUE(window.ui()->Memo1->isReadOnly());
    EXPECT_FALSE(window.ui()->btVerificar->isEnabled());
    window.agregarLinea(QStringLiteral("envío 1"));
    QTest::mouseClick(window.ui()->btMostrar, Qt::LeftButton);
    EXPECT_EQ(window.ui()->Memo1->toPlainText(),
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
    ASSERT_TRUE(window.ui()->btVerificar->isEnabled());
    QTest::mouseClick(window.ui()->btVerificar, Qt::LeftButton);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(window.ui()->Memo1->toPlainText(), QStringLiteral("Configuración verificada - tiempo: 12 ms."));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}
