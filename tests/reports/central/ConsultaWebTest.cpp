// The page fetch over the url table: addresses in priority order, a dead, slow, oversized or
// failing address gives way to the next, and a proxy that wants credentials.
#include "HttpProxy.h"
#include "reports/central/CentralPagesFixture.h"

#include "reports/central/ConsultaWeb.h"

#include "data/PasswordProtection.h"

#include <QElapsedTimer>

using namespace qal;
using namespace qal::central;
using namespace qal::test;

namespace {

class WebFetch : public CentralPagesFixture
{
protected:
    void SetUp() override
    {
        CentralPagesFixture::SetUp();
        setStates(QJsonObject {{"oficiales", QJsonArray {QJsonObject {{"regional", 3}, {"pedido", 123},
                                                                      {"estado", "C"}, {"expediente", 456}}}}});
    }
};

} // namespace

TEST_F(WebFetch, ThePageComesFromTheFirstAddressWithTheClientsHeaders)
{
    ConsultaWeb web(*dm);
    const ConsultaWeb::Resultado r = web.Obtener(QStringLiteral("GetEstReg.asp?reg=3"));
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(r.contenido, "123;C|456\r\n");
    const QList<QStringList> served = pages();
    ASSERT_EQ(served.size(), 1);
    EXPECT_EQ(served[0][1], "/qalcentral/GetEstReg.asp?reg=3");
    EXPECT_EQ(served[0][2], "Mozilla/3.0 (compatible)");
    EXPECT_EQ(served[0][3], "image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*");
    EXPECT_EQ(served[0][4], "no-cache");
}

TEST_F(WebFetch, AddressesAreTriedInPriorityOrderAndADeadOneGivesWayToTheNext)
{
    // written out of order: the priority decides, not the record order; a blank row is skipped
    setUrls({{3, sim->server() + "/tercera/"}, {1, deadAddress()}, {2, base()}, {0, "   "}});
    ConsultaWeb web(*dm);
    QStringList bases;
    QString error;
    ASSERT_TRUE(web.Direcciones(bases, error));
    ASSERT_EQ(bases.size(), 3);
    EXPECT_EQ(bases[1], base());

    const ConsultaWeb::Resultado r = web.Obtener(QStringLiteral("GetEstReg.asp?reg=3"));
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(r.contenido, "123;C|456\r\n");
    ASSERT_EQ(pages().size(), 1) << "the third address is not asked once the second answered";
    EXPECT_EQ(pages()[0][1], "/qalcentral/GetEstReg.asp?reg=3");

    setUrls({{1, deadAddress()}});
    const ConsultaWeb::Resultado dead = web.Obtener(QStringLiteral("GetEstReg.asp?reg=3"));
    EXPECT_FALSE(dead.ok);
    EXPECT_TRUE(dead.error.startsWith("No hay respuesta en la dirección especificada:\r")) << dead.error.toStdString();
    EXPECT_TRUE(dead.error.contains("refused", Qt::CaseInsensitive)) << dead.error.toStdString();

    setUrls({});
    EXPECT_FALSE(web.Obtener(QStringLiteral("GetEstReg.asp?reg=3")).ok);
}

TEST_F(WebFetch, ASlowAnOversizedAndAFailingAnswerEachGiveWayToTheNextAddress)
{
    CentralSim other({QStringLiteral("--states"), dir.file(QStringLiteral("states.json"))});
    ASSERT_TRUE(other.running());
    setUrls({{1, base()}, {2, other.server() + "/"}});
    ConsultaWeb web(*dm);
    web.tiempoEsperaMs = 1500;

    sim->setScenario({{"GetEstReg", QJsonObject {{"delayMs", 8000}}}});
    QElapsedTimer clock;
    clock.start();
    ConsultaWeb::Resultado r = web.Obtener(QStringLiteral("GetEstReg.asp?reg=3"));
    EXPECT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(r.contenido, "123;C|456\r\n");
    EXPECT_LT(clock.elapsed(), 6000) << "the slow address is given up after its time-out";

    sim->setScenario({{"GetEstReg", QJsonObject {{"mode", "oversized"}}}});
    r = web.Obtener(QStringLiteral("GetEstReg.asp?reg=3"));
    EXPECT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(r.contenido, "123;C|456\r\n");

    // every address fails: the last one's reason is the error
    other.setScenario({{"GetEstReg", QJsonObject {{"mode", "oversized"}}}});
    r = web.Obtener(QStringLiteral("GetEstReg.asp?reg=3"));
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.contenido.isEmpty());
    EXPECT_EQ(r.error, QStringLiteral("No hay respuesta en la dirección especificada:\rLa respuesta supera los %1 bytes")
                           .arg(kMaxPaginaBytes));

    // an HTTP error is a failure, not a page; a missing page is the server's 404
    other.setScenario({{"GetEstReg", QJsonObject {{"mode", "html"}}}});
    r = web.Obtener(QStringLiteral("GetEstReg.asp?reg=3"));
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.error.endsWith("HTTP 500 Internal Server Error")) << r.error.toStdString();
    r = web.Obtener(QStringLiteral("NoExiste.asp"));
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.error.endsWith("HTTP 404 Not Found")) << r.error.toStdString();
}

TEST_F(WebFetch, AnEmptyPageIsNotContent)
{
    sim->setScenario({{"EstadoVelcor", QJsonObject {{"result", ""}}}});
    ConsultaWeb web(*dm);
    const ConsultaWeb::Resultado r = web.Obtener(QStringLiteral("EstadoVelcor.asp?tram=U1&pedqal=1&regqal=3"));
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.vacia);
}

TEST_F(WebFetch, AProxyThatAsksForCredentialsIsPassedWithTheStoredUserAndPassword)
{
    HttpProxy proxy(sim->port(), QStringLiteral("oficina"), QStringLiteral("clave7"), dir.file("proxy.log"));
    ASSERT_NE(proxy.port(), 0);
    // the central office by a name only the proxy knows how to reach
    setUrls({{1, QStringLiteral("http://qalcentral.test/qalcentral/")}});
    setting("http_proxy", "127.0.0.1");
    setting("http_port", QString::number(proxy.port()));
    setting("proxy_user", "oficina");
    setting("proxy_pass", CifrarClaveProxy("clave7", "oficina"));
    ConsultaWeb web(*dm);
    web.RecargarProxy();
    ConsultaWeb::Resultado r = web.Obtener(QStringLiteral("GetEstReg.asp?reg=3"));
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(r.contenido, "123;C|456\r\n");
    const QList<QStringList> asked = proxy.requests();
    ASSERT_FALSE(asked.isEmpty());
    EXPECT_EQ(asked.back(), (QStringList {"GET", "http://qalcentral.test/qalcentral/GetEstReg.asp?reg=3", "oficina", "forwarded"}));

    // a wrong password is refused by the proxy: a failure, never a page
    setting("proxy_pass", CifrarClaveProxy("otra", "oficina"));
    web.RecargarProxy();
    web.tiempoEsperaMs = 5000;
    r = web.Obtener(QStringLiteral("GetEstReg.asp?reg=3"));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(proxy.requests().back().last(), "407");

    // a user whose password cannot be read: the operator is asked to type both again
    setting("proxy_pass", "");
    web.RecargarProxy();
    EXPECT_EQ(dialogs.texts(), (QStringList {"Por favor vuelva a poner el usuario y contraseña del proxy.\n\r"
                                             "Para esto vaya a Utilidades | Configuración | Proxy"}));
    dialogs.clear();
}
