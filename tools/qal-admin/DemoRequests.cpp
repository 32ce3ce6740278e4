#include "DemoRequests.h"

#include "biometrics/PrintSetZip.h"
#include "biometrics/TenPrintCard.h"
#include "biometrics/WsqServices.h"
#include "biometrics/wsq/WsqPack.h"
#include "dbase/DatabaseError.h"
#include "dbase/Table.h"
#include "imaging/BmpFile.h"
#include "imaging/TiffFile.h"
#include "reports/DemoDocuments.h"

#include "core/Clock.h"
#include "core/ProgramFolder.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QVariantMap>

#include <cmath>

namespace qal {
namespace {

constexpr int kOficial = 4;  // after the three official requests of the demo folder
constexpr int kPersonal = 3; // after its two personal requests

void store(dbase::Table &t, const QVariantMap &values)
{
    t.append();
    for (auto it = values.begin(); it != values.end(); ++it)
        t.setValue(it.key(), it.value());
    t.post();
}

void raiseCounter(const QString &counter, int value)
{
    dbase::Table counters(QStringLiteral("sec.dbf"));
    counters.open(dbase::Table::Mode::Exclusive);
    if (counters.locate(QStringLiteral("C_SEC"), counter)
        && counters.value(QStringLiteral("N_SEC")).toLongLong() < value) {
        counters.edit();
        counters.setValue(QStringLiteral("N_SEC"), value);
        counters.post();
    }
}

// A finger of ridges around an off-centre core, different for each finger.
GreyImage finger(int n)
{
    GreyImage image(320, 360, 500);
    const double cx = 160 + 14 * std::sin(n * 1.7), cy = 180 + 12 * std::cos(n * 1.3);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const double dx = (x - cx) / 145.0, dy = (y - cy) / 170.0;
            if (dx * dx + dy * dy > 1) {
                image.row(y)[x] = 255;
                continue;
            }
            const double r = std::hypot(x - cx, (y - cy) * 0.9 + 0.0025 * (x - cx) * (x - cx));
            const double ridge = 0.5 + 0.5 * std::sin(r / 3.4 + n);
            image.row(y)[x] = std::uint8_t(30 + 200 * ridge);
        }
    }
    return image;
}

void fail(const QString &what)
{
    throw dbase::DatabaseError(QStringLiteral("No se pudo escribir %1 del pedido de ejemplo").arg(what));
}

// The ten prints of one person: the packed WSQ set and the card composed from them, the
// card as a card scanner leaves it (256 greys, 300 dpi, JPEG).
void writePrints(int seed, const QString &packageFile, const QString &cardFile)
{
    QTemporaryDir work;
    QStringList wsq;
    for (int n = 1; n <= 10; ++n) {
        const GreyImage image = finger(seed * 10 + n);
        const QString base = work.filePath(QStringLiteral("dedo%1").arg(n));
        if (!BmpFile::writeGrey(base + QStringLiteral(".bmp"), image))
            fail(QStringLiteral("la huella"));
        WsqBlock block = BitmapToWsq(image);
        QFile out(base + QStringLiteral(".wsq"));
        const bool written = block.length > 0 && out.open(QIODevice::WriteOnly)
            && out.write(reinterpret_cast<const char *>(block.data), block.length) == block.length;
        WSQPACK_Free(&block.data);
        if (!written)
            fail(QStringLiteral("la huella"));
        wsq << base + QStringLiteral(".wsq");
    }
    QString message;
    if (!ZipFiles(wsq, ProgramFolder::resolve(packageFile), message))
        fail(message);

    const QString templateFile = ProgramFolder::resolve(QString::fromLatin1(CardTemplateFile));
    if (!QFileInfo::exists(templateFile))
        WriteCardTemplate(templateFile);
    const QString composed = work.filePath(QStringLiteral("ficha.bmp"));
    if (!ComposeCard(work.filePath(QStringLiteral("dedo")), composed))
        fail(QStringLiteral("la ficha"));
    QImage card = QImage(composed).convertToFormat(QImage::Format_Grayscale8);
    card = card.scaled(2400, 1500, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    const int dpm = qRound(300 / 0.0254);
    card.setDotsPerMeterX(dpm);
    card.setDotsPerMeterY(dpm);
    if (card.isNull() || !TiffFile::writePage(ProgramFolder::resolve(cardFile), card, PageFormat::CardTiff))
        fail(QStringLiteral("la ficha"));
}

// The scanned letter of the request: one A4 page at 300 dpi in greys.
void writeDocument(const QString &file, const QStringList &lines)
{
    QImage page(2480, 3508, QImage::Format_Grayscale8);
    page.fill(255);
    const int dpm = qRound(300 / 0.0254);
    page.setDotsPerMeterX(dpm);
    page.setDotsPerMeterY(dpm);
    QPainter p(&page);
    QFont font(QStringLiteral("Liberation Serif"));
    font.setPixelSize(60);
    p.setFont(font);
    int y = 400;
    for (const QString &line : lines) {
        p.drawText(250, y, line);
        y += 110;
    }
    p.drawRect(150, 150, 2180, 3208);
    p.end();
    if (!TiffFile::writePage(ProgramFolder::resolve(file), page, PageFormat::GreyDocument))
        fail(QStringLiteral("la documentación"));
}

void addOfficial()
{
    dbase::Table ped(QStringLiteral("PED.DBF"));
    ped.open(dbase::Table::Mode::Exclusive);
    store(ped, {{"C_PED", kOficial}, {"C_REG", 12}, {"F_PED", Clock::today()}, {"C_ORG", 1}, {"C_PROV", 5},
                {"X_DOM", "TALCAHUANO 550"}, {"X_LOC", "CIUDAD AUTÓNOMA DE BUENOS AIRES"}, {"C_CODPOS", 1013},
                {"X_SEC", "SECRETARÍA Nº 5"}, {"N_CAUSA", "7788/26"}, {"X_EMAIL", "jnc1@pjn.gov.ar"},
                {"X_APE1", "ACOSTA"}, {"X_APE2", "VILLALBA"}, {"X_NOM1", "MARTIN"}, {"X_NOM2", "EZEQUIEL"},
                {"C_SEXO", "M"}, {"C_NAC", 1}, {"C_TDOC", "DU"}, {"N_DOC", 31456789},
                {"F_NAC", QDate(1985, 9, 12)}, {"C_PROVCI", 5}, {"X_NOMPADR1", "RAUL"},
                {"X_APEMADR1", "VILLALBA"}, {"X_NOMMADR1", "NORMA"}, {"C_PRIOR", 1}, {"C_TDEL", 202},
                {"C_CARPED", "C"}, {"C_EST", "I"}, {"M_ENVIADO", false}, {"M_CONTESTA", false},
                {"M_EXCART51", false}, {"M_TOMA_KTV", false}, {"M_ESPECIAL", false}, {"M_MENOR", false},
                {"C_CLASDER", "e2130"}, {"C_CLASIZQ", "i3210"}});
    ped.close();
    raiseCounter(QStringLiteral("ped"), kOficial);
    const QString name = QStringLiteral("%1.12").arg(kOficial);
    writePrints(1, QStringLiteral("z") + name, QStringLiteral("h") + name);
    writeDocument(QStringLiteral("d") + name,
                  {QStringLiteral("JUZGADO NACIONAL EN LO CRIMINAL Y CORRECCIONAL Nº 1"),
                   QStringLiteral("Causa 7788/26 - Oficio"),
                   QStringLiteral("Se solicita informe de antecedentes de ACOSTA VILLALBA, MARTIN EZEQUIEL"),
                   QStringLiteral("DU 31.456.789")});
}

void addPersonal()
{
    dbase::Table pedp(QStringLiteral("Pedp.DBF"));
    pedp.open(dbase::Table::Mode::Exclusive);
    store(pedp, {{"C_PED", kPersonal}, {"C_REG", 12}, {"F_PED", Clock::today()}, {"C_SEXO", "F"}, {"C_TDOC", "DU"},
                 {"C_NAC", 1}, {"C_PROV_S", 5}, {"X_DOM_S", "AV. RIVADAVIA 4500"}, {"C_CODPOS_S", 1424},
                 {"X_LOC_S", "CABA"}, {"X_APE1", "BENITEZ"}, {"X_NOM1", "LAURA"}, {"X_NOM2", "SOFIA"},
                 {"N_DOC", 33222111}, {"F_NAC", QDate(1991, 4, 8)}, {"C_TRAM", "3"}, {"C_PRIOR", 3},
                 {"C_PAGO", reports::demoSlip(kPersonal)}, {"F_PAGO", Clock::today().addDays(-3)}, {"C_EST", "I"}, {"C_SEGUR", "7F3A9C01BE"},
                 {"C_LOGIN", "admin"}, {"C_CLASDER", "_____"}, {"C_CLASIZQ", "_____"}, {"M_EXCART51", false}});
    pedp.close();
    raiseCounter(QStringLiteral("pedp"), kPersonal);
    const QString name = QStringLiteral("%1.12").arg(kPersonal);
    writePrints(2, QStringLiteral("zp") + name, QStringLiteral("hp") + name);
    writeDocument(QStringLiteral("dp") + name,
                  {QStringLiteral("DOCUMENTO NACIONAL DE IDENTIDAD"), QStringLiteral("BENITEZ, LAURA SOFIA"),
                   QStringLiteral("DU 33.222.111")});
}

// Requests to look up: names with the letters an operator types besides A to Z (Ñ and the
// apostrophe), one answered, one whose agency no longer exists, an alias without the Ñ.
void addSearchExamples()
{
    dbase::Table ped(QStringLiteral("PED.DBF"));
    ped.open(dbase::Table::Mode::Exclusive);
    const QVariantMap common {{"C_REG", 12}, {"C_PROV", 5}, {"X_DOM", "TALCAHUANO 550"}, {"X_LOC", "CIUDAD AUTÓNOMA DE BUENOS AIRES"},
                              {"C_CODPOS", 1013}, {"C_NAC", 1}, {"C_TDOC", "DU"}, {"C_PRIOR", 3}, {"C_TDEL", 201},
                              {"C_CARPED", "C"}, {"C_CLASDER", "00000"}, {"C_CLASIZQ", "00000"}};
    QVariantMap munoz = common;
    munoz.insert({{"C_PED", kOficial + 1}, {"F_PED", Clock::today().addDays(-20)}, {"C_ORG", 1},
                  {"X_APE1", "MUÑOZ"}, {"X_APE2", "PEÑALOZA"}, {"X_NOM1", "IÑAKI"}, {"C_SEXO", "M"},
                  {"N_DOC", 30111222}, {"F_NAC", QDate(1975, 11, 2)}, {"N_CAUSA", "88/25"},
                  {"M_ENVIADO", true}, {"M_CONTESTA", true}, {"C_EST", "C"}, {"N_EXPE", 7004377},
                  {"F_CON", Clock::today().addDays(-2)}});
    store(ped, munoz);
    QVariantMap dangelo = common;
    dangelo.insert({{"C_PED", kOficial + 2}, {"F_PED", Clock::today().addDays(-1)}, {"C_ORG", 99},
                    {"X_APE1", "D'ANGELO"}, {"X_NOM1", "MARIA"}, {"X_NOM2", "ROSA"}, {"C_SEXO", "F"},
                    {"N_DOC", 27999888}, {"C_EST", "I"}, {"M_ENVIADO", false}, {"M_CONTESTA", false}});
    store(ped, dangelo);
    ped.close();
    raiseCounter(QStringLiteral("ped"), kOficial + 2);
    dbase::Table sup(QStringLiteral("sup.dbf"));
    sup.open(dbase::Table::Mode::Exclusive);
    store(sup, {{"C_PED", kOficial + 1}, {"C_REG", 12}, {"X_APE1", "MUNOZ"}, {"X_NOM1", "INAKI"}, {"C_PROV", 5}});
}

} // namespace

void addDemoRequestsToSend(const QString &folder)
{
    const QString before = ProgramFolder::path();
    ProgramFolder::setPath(folder);
    try {
        addOfficial();
        addPersonal();
        addSearchExamples();
    } catch (...) {
        ProgramFolder::setPath(before);
        throw;
    }
    ProgramFolder::setPath(before);
}

} // namespace qal
