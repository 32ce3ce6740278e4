#include "Tdm.h"

#include "data/Logging.h"
#include "data/PasswordProtection.h"
#include "data/SettingsCatalogue.h"
#include "data/SupportContact.h"
#include "data/TableSchema.h"

#include "core/Dialogs.h"
#include "core/ProgramFolder.h"

#include <QCoreApplication>
#include <QFile>

#include <algorithm>

namespace qal {
namespace {

Tdm *g_instance = nullptr;

// "abc" → error, as a conversion of setting text to a whole number reports it.
int toInteger(const QString &text)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    if (!ok)
        throw dbase::DatabaseError(QStringLiteral("'%1' no es un valor entero válido").arg(text));
    return v;
}

// Tables opened at start, in this order (the counter table is opened for each number only).
const char *const kOpenOrder[] = {"tram", "org", "prov", "ped", "amb", "nac", "tdoc", "sexo", "prior", "pedp",
                                  "sup", "Est", "expp", "res", "usu", "estcent", "tdel", "carped", "url"};

} // namespace

Tdm::Tdm(QObject *parent)
    : QObject(parent)
{
    g_instance = this;
    for (const auto &[component, table] : tables())
        table->setFileName(tableDefinition(component).fileName);
    Timer.setInterval(60000);
    Timer.start();
    servicioBoleta = std::make_unique<UnreachableBankSlipService>();
    aceptacionImagenes = std::make_unique<MissingImageAcceptance>();
    wireEvents();
    wireRequestRules();
    declareCalculatedFields();
}

Tdm::~Tdm()
{
    if (g_instance == this)
        g_instance = nullptr;
}

Tdm *Tdm::instance()
{
    return g_instance;
}

QList<QPair<QString, dbase::Table *>> Tdm::tables()
{
    return {{"sec", &sec},   {"org", &org},     {"prov", &prov}, {"ped", &ped},       {"nac", &nac},
            {"tdoc", &tdoc}, {"sexo", &sexo},   {"prior", &prior}, {"pedp", &pedp},   {"sup", &sup},
            {"Est", &Est},   {"expp", &expp},   {"res", &res},   {"usu", &usu},       {"estcent", &estcent},
            {"tdel", &tdel}, {"tram", &tram},   {"amb", &amb},   {"carped", &carped}, {"url", &url}};
}

dbase::Table *Tdm::table(const QString &component)
{
    for (const auto &[name, table] : tables()) {
        if (name.compare(component, Qt::CaseInsensitive) == 0)
            return table;
    }
    return nullptr;
}

void Tdm::wireEvents()
{
    const auto flush = [this](dbase::Table &t) { FlushBuffers(t); };
    for (dbase::Table *t : {&ped, &pedp, &org, &sup, &prov, &nac, &tdoc, &sexo, &prior, &usu, &url}) {
        t->afterPost = flush;
        t->afterDelete = flush;
    }
    // The aliases shown and added are those of the current official request.
    sup.setMasterLink(&ped, QStringLiteral("C_PED"), QStringLiteral("C_PED"));
    // User names are typed in lower case at log-in: one typed in capitals in the users' grid
    // could never log in.
    usu.beforePost = [](dbase::Table &t) {
        const QString login = t.value(QStringLiteral("C_LOGIN")).toString();
        if (login != login.toLower())
            t.setValue(QStringLiteral("C_LOGIN"), login.toLower());
    };
}

void Tdm::declareCalculatedFields()
{
    pedp.addCalculatedField(QStringLiteral("c_pedido"));
    pedp.onCalcFields = [this](dbase::Table &t) { pedpCalcFields(t); };
    pedp.addLookupField(QStringLiteral("x_nac"), QStringLiteral("C_NAC"), &nac, QStringLiteral("C_NAC"), QStringLiteral("X_NAC"));
    pedp.addLookupField(QStringLiteral("x_tdoc"), QStringLiteral("C_TDOC"), &tdoc, QStringLiteral("C_TDOC"), QStringLiteral("X_TDOC"));
    pedp.addLookupField(QStringLiteral("x_expp"), QStringLiteral("C_EXPP"), &expp, QStringLiteral("C_EXPP"), QStringLiteral("X_EXPP"));
    pedp.addLookupField(QStringLiteral("X_PRIOR"), QStringLiteral("C_PRIOR"), &prior, QStringLiteral("C_PRIOR"), QStringLiteral("X_PRIOR"));
    pedp.addLookupField(QStringLiteral("X_SEXO"), QStringLiteral("C_SEXO"), &sexo, QStringLiteral("C_SEXO"), QStringLiteral("X_SEXO"));
    pedp.addLookupField(QStringLiteral("X_TRAM"), QStringLiteral("C_TRAM"), &tram, QStringLiteral("C_TRAM"), QStringLiteral("X_TRAM"));
    pedp.addLookupField(QStringLiteral("x_est"), QStringLiteral("C_EST"), &Est, QStringLiteral("C_EST"), QStringLiteral("X_EST"));
    ped.addLookupField(QStringLiteral("X_EXPP"), QStringLiteral("C_PROVCI"), &prov, QStringLiteral("C_PROV"), QStringLiteral("X_PROV"));
    org.addLookupField(QStringLiteral("x_prov"), QStringLiteral("C_PROV"), &prov, QStringLiteral("C_PROV"), QStringLiteral("X_PROV"));
}

void Tdm::requestTermination()
{
    m_terminated = true;
    if (terminate)
        terminate();
    emit terminateRequested();
}

void Tdm::dmCreate()
{
    RecepcionLibre = true;
    QFile::remove(ProgramFolder::resolve(QStringLiteral("out.tif")));
    QFile::remove(ProgramFolder::resolve(QStringLiteral("out.bmp")));
    RepararIndices();
    reportDamagedTables();
    InicioCompleto = false;
    try {
        ActualizarEsquema();
        // The pack of the two large tables takes as long as the index rebuild after it: the
        // rebuild's window is on screen from the pack on, so that the start is never a blank
        // screen. It gives way to a pack failure's message, which it would cover.
        const auto openWindow = [this] {
            return openProgress ? openProgress(QStringLiteral("Ordenamiento de Archivos"), QString()) : nullptr;
        };
        std::unique_ptr<Progress> window = openWindow();
        QStringList packed = tablasDanadas; // written anew a moment ago, or never written
        for (const char *name : {"ped", "pedp"}) {
            if (tablasDanadas.contains(table(QLatin1String(name))->fileName(), Qt::CaseInsensitive))
                continue;
            try {
                Empaquetar(QStringLiteral("%1.dbf").arg(QLatin1String(name)));
                packed << table(QLatin1String(name))->fileName();
            } catch (const std::exception &) {
                window.reset();
                Dialogs::information(QStringLiteral("No se pudo empaquetar la tabla \"%1\"").arg(QLatin1String(name)));
                window = openWindow();
            }
        }
        if (window)
            window->setProgress(0);
        const bool reindexed = Reindexar(window.get(), packed);
        window.reset();
        if (!reindexed)
            return;
        openTables();
        migratePop3Password();
        if (!checkExportField())
            return;
        readSettings();
        InicioCompleto = true;
    } catch (const dbase::Abort &) {
    } catch (const std::exception &e) {
        // A step without its own handling ends start-up's data work; the program goes on.
        Dialogs::error(QString::fromUtf8(e.what()));
    }
}

void Tdm::reportDamagedTables()
{
    for (const QString &fileName : std::as_const(tablasDanadas)) {
        dbase::Table probe(fileName);
        QString damage;
        try {
            probe.open();
            damage = probe.damage();
        } catch (const dbase::DatabaseError &e) {
            damage = e.message();
        }
        Dialogs::error(damage
                       + QStringLiteral("\rLa tabla se abre solo para lectura y el mantenimiento no la modifica. "
                                        "Para repararla ejecute \"qal-admin repair\" sobre la carpeta del programa "
                                        "o comuníquese con: ")
                       + supportContact());
    }
}

void Tdm::openTables()
{
    for (const char *component : kOpenOrder) {
        dbase::Table *t = table(QLatin1String(component));
        t->open();
        const QString key = tableDefinition(QLatin1String(component)).keyField;
        if (!key.isEmpty() && t->hasProductionIndex())
            t->setIndexField(key);
    }
}

void Tdm::migratePop3Password()
{
    if (!amb.findKey(QStringLiteral("pop3Pass")))
        return;
    const QString plain = amb.value(QStringLiteral("X_AMB")).toString();
    grabacionAutorizada = true;
    amb.deleteRecord();
    GrabarParametro(QStringLiteral("pop3PwdE"), ComplementarClave(plain));
}

bool Tdm::checkExportField()
{
    if (tdoc.hasField(QStringLiteral("c_export")))
        return true;
    Dialogs::information(QStringLiteral("Debe actualizar las tablas. Por favor, \rpongase en contacto con: ")
                         + supportContact());
    requestTermination();
    return false;
}

void Tdm::readSettings()
{
    const auto read = [this](const char *key) { return LeerParametro(QLatin1String(key)); };
    const auto flag = [&read](const char *key) { return settingFlag(QLatin1String(key), read(key)); };
    // A frequency of 0 (or less) would run receptions back to back: one minute at least.
    Timer.setInterval(std::max(1, toInteger(read("frec_recep"))) * 60000);
    maxContes = settingInteger(QStringLiteral("max_contes"), read("max_contes"));
    mSegur = flag("m_segur");
    mImpConfP = flag("m_impconfp");
    mNomi = flag("m_nomi");
    mObliDoc = flag("m_obli_doc");
    const QString liveScan = read("LiveScan");
    hayLiveScan = !liveScan.isEmpty() && liveScan != QLatin1String("Ninguno");

    // Normalised in the table, so that every later reader finds "S" or "N".
    const auto yesNo = [](const QString &v) { return v == QLatin1String("S") || v == QLatin1String("N"); };
    if (!yesNo(read("m_fecpago")))
        GrabarParametro(QStringLiteral("m_fecpago"), QStringLiteral("S"));
    bool ok = false;
    const int dias = read("dias_fpago").trimmed().toInt(&ok);
    if (!ok || dias <= 0)
        GrabarParametro(QStringLiteral("dias_fpago"), QStringLiteral("365"));
    if (!yesNo(read("m_domic")))
        GrabarParametro(QStringLiteral("m_domic"), QStringLiteral("N"));
    refreshFlags();
}

void Tdm::refreshFlags()
{
    const auto flag = [this](const char *key) {
        return settingFlag(QLatin1String(key), LeerParametro(QLatin1String(key)));
    };
    mNomi = flag("m_nomi");
    mDomic = flag("m_domic");
    mChkDatBol = flag("m_chkdatbol");
    mImpAuto = flag("m_impauto");
}

QString Tdm::LeerParametro(const QString &key)
{
    if (!amb.isOpen())
        return {};
    // Look-up by exact key without moving the settings window's cursor.
    const QVariant v = amb.lookup(QStringLiteral("C_AMB"), key, QStringLiteral("X_AMB"));
    return v.isNull() ? QString() : v.toString();
}

bool Tdm::GrabarParametro(const QString &key, const QString &value)
{
    try {
        const bool indexed = amb.indexField().compare(QLatin1String("C_AMB"), Qt::CaseInsensitive) == 0;
        if (indexed ? amb.findKey(key) : amb.locate(QStringLiteral("C_AMB"), key)) {
            amb.edit();
        } else {
            amb.append();
        }
        amb.setValue(QStringLiteral("C_AMB"), key);
        amb.setValue(QStringLiteral("X_AMB"), value);
        amb.post();
        return true;
    } catch (const std::exception &e) {
        // the caller hears false and the old value stays
        qCWarning(lcData) << "writing the setting" << key << "failed:" << e.what();
        try {
            if (amb.state() == dbase::Table::State::Edit || amb.state() == dbase::Table::State::Insert)
                amb.cancel();
        } catch (...) {
        }
        return false;
    }
}

qint64 Tdm::NumeroSecuencia(const QString &name)
{
    qint64 number = 0;
    dbase::Table counter(sec.fileName());
    counter.open(dbase::Table::Mode::Exclusive);
    counter.setIndexField(QStringLiteral("C_SEC"));
    if (counter.findKey(name)) {
        counter.edit();
        counter.setValue(QStringLiteral("N_SEC"), counter.value(QStringLiteral("N_SEC")).toLongLong() + 1);
        counter.post();
        number = counter.value(QStringLiteral("N_SEC")).toLongLong();
    }
    counter.close();
    if (number == 0) {
        Dialogs::information(QStringLiteral("No se puedo obtener el número de secuencia del objeto \"%1\"").arg(name));
        throw dbase::Abort();
    }
    return number;
}

void Tdm::FlushBuffers(dbase::Table &t)
{
    QString keyField;
    if (&t == &ped || &t == &pedp)
        keyField = QStringLiteral("C_PED");
    else if (&t == &org)
        keyField = QStringLiteral("C_ORG");
    else if (&t == &usu)
        keyField = QStringLiteral("C_LOGIN");
    else if (&t != &sup)
        return;
    const QVariant key = keyField.isEmpty() || t.isEmpty() ? QVariant() : t.value(keyField);
    const dbase::Table::Bookmark place = t.isEmpty() ? 0 : t.bookmark();
    const QString index = t.indexField();
    t.close();
    t.open();
    if (!index.isEmpty())
        t.setIndexField(index);
    // Back onto the same record: by its place in the file, which holds whatever the active
    // order (a search may have ordered the table by name), and by its key otherwise.
    if (place != 0) {
        try {
            t.gotoBookmark(place);
            return;
        } catch (const dbase::DatabaseError &) {
        }
    }
    if (!key.isNull()) {
        if (t.indexField().compare(keyField, Qt::CaseInsensitive) == 0)
            t.findKey(key);
        else
            t.locate(keyField, key);
    }
}

void Tdm::RecibirCorreo()
{
    const auto editing = [](const dbase::Table &t) {
        return t.state() == dbase::Table::State::Edit || t.state() == dbase::Table::State::Insert;
    };
    if (!RecepcionLibre || editing(ped) || editing(pedp))
        return;
    RecepcionLibre = false;
    try {
        if (InicioCompleto && fetchMail)
            fetchMail();
    } catch (...) {
        RecepcionLibre = true;
        throw;
    }
    RecepcionLibre = true;
}

bool Tdm::EnviarMensaje(const QString &destinatario, const QString &asunto, int pedido, int regional,
                        const QStringList &adjuntos, const QString &cuerpo)
{
    if (!SMime) {
        Dialogs::error(QStringLiteral("Error al enviar: no hay ningún medio de envío configurado"));
        return false;
    }
    return SMime->EnviarMensaje(destinatario, asunto, pedido, regional, adjuntos, cuerpo);
}

void Tdm::TimerTick(bool receptionDisabled)
{
    if (receptionDisabled) {
        Timer.stop();
        return;
    }
    RecibirCorreo();
}

} // namespace qal
