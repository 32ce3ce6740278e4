// The central-state window against the simulator's pages: the memo as the lists are
// formatted, the table changes they make, failures reported in the memo and the status
// line, the state of one file, and the memo kept in "EstCent.log".
#include "reports/central/CentralPagesFixture.h"

#include "reports/forms/TFEstCent.h"
#include "support/Controls.h"

#include "core/Clock.h"

#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTimer>

#include <QPushButton>

using namespace qal;
using namespace qal::test;

namespace {

QJsonObject line(int regional, qlonglong pedido, const QString &estado, qlonglong expediente = 0,
                 const QString &resultado = QString())
{
    QJsonObject o {{"regional", regional}, {"pedido", pedido}, {"estado", estado}};
    if (expediente > 0)
        o["expediente"] = expediente;
    if (!resultado.isEmpty())
        o["resultado"] = resultado;
    return o;
}

class CentralStateWindow : public CentralPagesFixture
{
protected:
    void SetUp() override
    {
        CentralPagesFixture::SetUp();
        Clock::setFixed(QDateTime(QDate(2026, 11, 20), QTime(10, 30, 15)));
        window = std::make_unique<TFEstCent>(*dm);
    }
    void TearDown() override
    {
        window.reset();
        Clock::reset();
        CentralPagesFixture::TearDown();
    }
    static QString row(const QString &a, const QString &b, const QString &c)
    {
        return QStringLiteral("%1 %2 %3").arg(a, -10).arg(b, -30).arg(c, -10);
    }
    static QStringList heading(const QString &title)
    {
        return {title + QStringLiteral("20/11/2026 10:30:15"), QString(72, u'='), QString(),
                row("Pedido", "Estado", "Trámite"), row(QString(10, u'-'), QString(30, u'-'), QString(10, u'-'))};
    }

    std::unique_ptr<TFEstCent> window;
};

} // namespace

TEST_F(CentralStateWindow, TheWebStatesAreListedAsTablesAndMoveOnlyRequestsInProcess)
{
    const qlonglong inProcess = request(false, "T");
    const qlonglong answered = request(false, "C");
    const qlonglong entered = request(false, "I");
    const qlonglong personal = request(true, "E");
    setStates({{"oficiales", QJsonArray {line(3, inProcess, "C", 456), line(3, answered, "C", 457),
                                         line(3, entered, "T", 458), line(3, 999, "REC"), line(9, inProcess, "R", 1)}},
               {"personales", QJsonArray {line(5, personal, "T", 88)}}});

    click(child<QPushButton>(window, "btEstWeb"));

    QStringList expected = heading("Estado de pedidos oficiales en QAL Central al ");
    expected << row(QString::number(inProcess), "CONTESTADO", "U456") << row(QString::number(answered), "CONTESTADO", "U457")
             << row(QString::number(entered), "EN TRÁMITE EN QAL CENTRAL", "U458")
             << row("999", "RECIBIDO EN QAL CENTRAL", "") << QString();
    expected << heading("Estado de pedidos personales en QAL Central al ");
    expected << row(QString::number(personal), "EN TRÁMITE EN QAL CENTRAL", "W88");
    EXPECT_EQ(window->lineas(), expected);
    EXPECT_EQ(window->estado(), "Listo");

    EXPECT_EQ(field(false, inProcess, "C_EST").toString(), "C");
    EXPECT_EQ(field(false, inProcess, "N_EXPE").toLongLong(), 456);
    EXPECT_EQ(field(false, answered, "C_EST").toString(), "C") << "already answered: only listed";
    EXPECT_TRUE(field(false, answered, "N_EXPE").isNull());
    EXPECT_EQ(field(false, entered, "C_EST").toString(), "I") << "never sent: only listed";
    EXPECT_EQ(field(true, personal, "C_EST").toString(), "T");
    EXPECT_EQ(field(true, personal, "N_EXPE").toLongLong(), 88);
    EXPECT_TRUE(dm->RecepcionLibre);

    // the memo is kept for the next run
    window.reset();
    TFEstCent again(*dm);
    EXPECT_EQ(again.lineas(), expected);
}

TEST_F(CentralStateWindow, ResultsSetTheResultCodeOnlyWhenOneCame)
{
    const qlonglong withCode = request(true, "T");
    const qlonglong withoutCode = request(true, "E");
    dm->pedp.setIndexField("C_PED");
    ASSERT_TRUE(dm->pedp.findKey(withoutCode));
    dm->pedp.edit();
    dm->pedp.setValue("C_RES", "S");
    dm->grabacionAutorizada = true;
    dm->pedp.post();
    setStates({{"personales", QJsonArray {line(5, withCode, "C", 90, "N"), line(5, withoutCode, "C", 91)}}});

    click(child<QPushButton>(window, "btCertWeb"));

    const auto resRow = [](const QString &a, const QString &b, const QString &c, const QString &d) {
        return QStringLiteral("%1 %2 %3 %4").arg(a, -10).arg(b, -30).arg(c, -10).arg(d, -20);
    };
    const QStringList expected = {"Resultado de pedidos personales en QAL Central al 20/11/2026 10:30:15",
                                  QString(72, u'='), QString(), resRow("Pedido", "Estado", "Trámite", "Resultado"),
                                  resRow(QString(10, u'-'), QString(30, u'-'), QString(10, u'-'), QString(20, u'-')),
                                  resRow(QString::number(withCode), "CONTESTADO", "W90", "No registra antecedentes"),
                                  resRow(QString::number(withoutCode), "CONTESTADO", "W91", "No especificado")};
    EXPECT_EQ(window->lineas(), expected);
    EXPECT_EQ(field(true, withCode, "C_RES").toString(), "N");
    EXPECT_EQ(field(true, withoutCode, "C_EST").toString(), "C");
    EXPECT_EQ(field(true, withoutCode, "N_EXPE").toLongLong(), 91);
    EXPECT_EQ(field(true, withoutCode, "C_RES").toString(), "S") << "no result code: the stored one stays";
    EXPECT_EQ(window->estado(), "Listo");
}

TEST_F(CentralStateWindow, AnError404PageAnEmptyListAndNoOfficeCodesChangeNothing)
{
    const qlonglong n = request(false, "T");
    setStates({{"oficiales", QJsonArray {line(3, n, "C", 456)}}});
    sim->setScenario({{"GetEstReg", QJsonObject {{"mode", "error404"}}}});
    click(child<QPushButton>(window, "btEstWeb"));
    QStringList l = window->lineas();
    ASSERT_EQ(l.size(), 8);
    EXPECT_EQ(l[3], "Servicio no disponible.");
    EXPECT_EQ(l[7], "No existe ningún pedido en trámite de esta regional.") << "no personal requests at the office";
    EXPECT_EQ(field(false, n, "C_EST").toString(), "T");

    sim->setScenario({{"GetEstReg", QJsonObject {{"result", "NO_HAY_PEDIDOS\r\n"}}}});
    click(child<QPushButton>(window, "btEstWeb"));
    EXPECT_EQ(window->lineas()[3], "No existe ningún pedido en trámite de esta regional.");

    const int asked = pages().size();
    setting("c_reg", "0");
    setting("c_regp", "0");
    click(child<QPushButton>(window, "btEstWeb"));
    EXPECT_TRUE(window->lineas().isEmpty());
    EXPECT_EQ(pages().size(), asked) << "no page is asked for";
    EXPECT_EQ(field(false, n, "C_EST").toString(), "T");
}

TEST_F(CentralStateWindow, AFailedFetchIsReportedInTheMemoAndTheStatusLine)
{
    const qlonglong n = request(false, "T");
    setStates({{"oficiales", QJsonArray {line(3, n, "C", 456)}}});
    setUrls({{1, deadAddress()}});
    setting("c_regp", "0");
    click(child<QPushButton>(window, "btEstWeb"));
    const QStringList l = window->lineas();
    ASSERT_EQ(l.size(), 3);
    EXPECT_EQ(l[0], "Error al obtener el estado de los pedidos oficiales vía Web: ");
    EXPECT_EQ(l[1], "Mensaje: No hay respuesta en la dirección especificada:");
    EXPECT_TRUE(l[2].contains("refused", Qt::CaseInsensitive)) << l[2].toStdString();
    EXPECT_EQ(window->estado(), "Error al obtener el estado de los pedidos oficiales vía Web...");
    EXPECT_EQ(field(false, n, "C_EST").toString(), "T");
    EXPECT_TRUE(dm->RecepcionLibre);

    click(child<QPushButton>(window, "btCertWeb"));
    EXPECT_TRUE(window->lineas().isEmpty()) << "no personal office code: nothing asked";
    setting("c_regp", "5");
    click(child<QPushButton>(window, "btCertWeb"));
    EXPECT_EQ(window->lineas()[0], "Error al obtener el resultado de los pedidos personales vía Web:");
    EXPECT_EQ(window->estado(), "Error al obtener el resultado de los pedidos personales vía Web...");
}

TEST_F(CentralStateWindow, MailReceptionWaitsOnlyWhileThePagesAreRead)
{
    // a reception in progress: nothing is asked
    dm->RecepcionLibre = false;
    click(child<QPushButton>(window, "btEstWeb"));
    EXPECT_EQ(dialogs.texts(), QStringList {"Advertencia: Se están recibiendo mensajes. \rVuelva a intentar en unos instantes."});
    EXPECT_TRUE(pages().isEmpty());
    dialogs.clear();
    dm->RecepcionLibre = true;

    // a silent central office: reception is held for the fetch's time-out, then freed
    sim->setScenario({{"GetEstReg", QJsonObject {{"delayMs", 20000}}}});
    setting("c_regp", "0");
    window->web().tiempoEsperaMs = 1000;
    bool heldDuringFetch = false;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] { heldDuringFetch = heldDuringFetch || !dm->RecepcionLibre; });
    probe.start(100);
    QElapsedTimer clock;
    clock.start();
    click(child<QPushButton>(window, "btEstWeb"));
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_TRUE(heldDuringFetch);
    EXPECT_TRUE(dm->RecepcionLibre);
    EXPECT_EQ(window->lineas()[0], "Error al obtener el estado de los pedidos oficiales vía Web: ");
}

TEST_F(CentralStateWindow, AListSkipsARequestTableTheOperatorIsEditing)
{
    const qlonglong n = request(true, "E");
    setStates({{"personales", QJsonArray {line(5, n, "T", 88)}}});
    setting("c_reg", "0");
    dm->pedp.setIndexField("C_PED");
    ASSERT_TRUE(dm->pedp.findKey(n));
    dm->pedp.edit();
    dm->pedp.setValue("X_NOM1", "ANALIA");
    click(child<QPushButton>(window, "btEstWeb"));
    EXPECT_EQ(window->lineas().last(), row(QString::number(n), "EN TRÁMITE EN QAL CENTRAL", "W88"));
    EXPECT_EQ(dm->pedp.state(), dbase::Table::State::Edit) << "the operator's edit goes on";
    EXPECT_EQ(dm->pedp.value("X_NOM1").toString(), "ANALIA");
    dm->pedp.cancel();
    EXPECT_EQ(field(true, n, "C_EST").toString(), "E");
}

TEST_F(CentralStateWindow, TheStateOfOneFileIsShownAsTheCentralOfficeTellsIt)
{
    setStates({{"oficiales", QJsonArray {QJsonObject {{"regional", 3}, {"pedido", 12}, {"estado", "T"}, {"expediente", 456},
                                                      {"velcor", "EN TRAMITE"}, {"oficina", "MESA DE ENTRADAS"}}}}});
    window->EstadoExpediente(u'U', 456, 12, 3);
    ASSERT_EQ(dialogs.shown().size(), 1);
    EXPECT_EQ(dialogs.shown()[0].title, "Estado en Gestión de Trámites");
    EXPECT_EQ(dialogs.shown()[0].text, "ESTADO=EN TRAMITE\rOFICINA=MESA DE ENTRADAS");
    EXPECT_EQ(pages().back()[1], "/qalcentral/EstadoVelcor.asp?tram=U456&pedqal=12&regqal=3");
    dialogs.clear();

    window->EstadoExpediente(u'W', 456, 12, 3); // not a file the office knows
    EXPECT_EQ(dialogs.texts(), QStringList {"Error: Qal Central no ha informado el estado en Velcor"});
    dialogs.clear();

    sim->setScenario({{"EstadoVelcor", QJsonObject {{"result", ""}}}});
    window->EstadoExpediente(u'U', 456, 12, 3);
    EXPECT_TRUE(dialogs.shown().isEmpty()) << "an empty answer shows nothing";

    const int asked = pages().size();
    window->EstadoExpediente(u'U', 0, 12, 3);
    window->EstadoExpediente(u'U', 456, 12, 0);
    EXPECT_EQ(pages().size(), asked);

    setUrls({{1, deadAddress()}});
    window->EstadoExpediente(u'U', 456, 12, 3);
    ASSERT_EQ(dialogs.shown().size(), 1);
    EXPECT_TRUE(dialogs.lastText().startsWith("Error en la comunicación con Qal Central.\rMensaje: No hay respuesta"));
    dialogs.clear();
}
