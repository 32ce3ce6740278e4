#include "DemoDocuments.h"

#include "biometrics/TenPrintCard.h"
#include "dbase/Table.h"
#include "imaging/BmpFile.h"
#include "imaging/TiffFile.h"

#include "core/Clock.h"
#include "core/ProgramFolder.h"

#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QVariantMap>

#include <cmath>

namespace qal::reports {

QString demoSlip(int number)
{
    return QStringLiteral("03512300%1").arg(number, 3, 10, QLatin1Char('0'));
}

namespace {

void store(dbase::Table &t, const QVariantMap &values)
{
    t.append();
    for (auto it = values.begin(); it != values.end(); ++it)
        t.setValue(it.key(), it.value());
    t.post();
}

QVariantMap personal(int number, const char *surname, const char *name)
{
    return {{"C_PED", number},      {"C_REG", 12},         {"F_PED", Clock::today().addDays(number - 5)},
            {"X_APE1", surname},    {"X_NOM1", name},      {"C_SEXO", "F"},
            {"C_NAC", 1},           {"C_TDOC", "DU"},      {"N_DOC", 30111222 + number},
            {"F_NAC", QDate(1990, 2, 3)}, {"C_TRAM", "3"}, {"C_PRIOR", 3},
            {"X_DOM_S", "CORRIENTES 1234"}, {"X_LOC_S", "CABA"},
            {"C_PAGO", demoSlip(number)}, {"F_PAGO", Clock::today().addDays(number - 7)}, {"C_EST", "I"}};
}

// A finger of rings around an off-centre core: enough ridges for a card to look like one.
GreyImage syntheticFinger(int seed)
{
    GreyImage finger(320, 360, 500);
    const double cx = 160 + 12 * std::sin(seed), cy = 170 + 10 * std::cos(seed);
    for (int y = 0; y < finger.height(); ++y) {
        for (int x = 0; x < finger.width(); ++x) {
            const double dx = (x - cx) / 140.0, dy = (y - cy) / 165.0;
            if (dx * dx + dy * dy > 1)
                continue;
            const double r = std::hypot(x - cx, (y - cy) * 0.85 + 0.002 * (x - cx) * (x - cx));
            finger.row(y)[x] = std::uint8_t(std::sin(r / 3.2 + seed) > 0 ? 40 : 235);
        }
    }
    return finger;
}

// The composed card of the ten synthetic fingers, written as the request's card file.
void writeCard(const QString &cardFile)
{
    // the card template is installed beside the program; a folder being made may lack it
    const QString templateFile = ProgramFolder::resolve(QString::fromLatin1(CardTemplateFile));
    if (!QFileInfo::exists(templateFile))
        WriteCardTemplate(templateFile);
    QTemporaryDir work;
    const QString prefix = work.filePath(QStringLiteral("dedo"));
    for (int n = 1; n <= 10; ++n)
        BmpFile::writeGrey(prefix + QString::number(n) + QStringLiteral(".bmp"), syntheticFinger(n));
    ComposeCard(prefix, cardFile);
}

// A one-page black-and-white answer like the central office's.
void writeAnswer(const QString &answerFile)
{
    QImage page(1700, 2200, QImage::Format_RGB32);
    page.setDotsPerMeterX(7874);
    page.setDotsPerMeterY(7874);
    page.fill(Qt::white);
    QPainter p(&page);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(48);
    p.setFont(font);
    p.drawText(150, 250, QStringLiteral("QAL CENTRAL - CERTIFICADO DE ANTECEDENTES"));
    font.setPixelSize(36);
    p.setFont(font);
    p.drawText(150, 400, QStringLiteral("Pedido personal 1 - Regional 12"));
    p.drawText(150, 480, QStringLiteral("Resultado: NO REGISTRA ANTECEDENTES"));
    p.drawRect(100, 100, 1500, 2000);
    p.end();
    TiffFile::writePage(ProgramFolder::resolve(answerFile), page, PageFormat::BlackWhiteDocument);
}

} // namespace

void addSampleDocuments(const QString &folder)
{
    const QString before = ProgramFolder::path();
    ProgramFolder::setPath(folder);
    try {
        dbase::Table pedp(QStringLiteral("Pedp.DBF"));
        pedp.open(dbase::Table::Mode::Exclusive);
        QVariantMap contestado = personal(1, "LOPEZ", "ANA");
        contestado.insert({{"X_APE2", "MARTINEZ"}, {"X_NOM2", "LUCIA"}, {"C_EST", "C"}, {"N_EXPE", 7100221},
                           {"N_CERT", "CU123456789AR"}, {"C_RES", "N"}, {"F_CON", Clock::today()},
                           {"X_OBS", "SIN OBSERVACIONES"}, {"C_EXPP", "RN"}, {"C_PREFIJO", "F"},
                           {"X_NOMPADR1", "JORGE"}, {"X_APEMADR1", "MARTINEZ"}, {"X_NOMMADR1", "ELENA"}});
        store(pedp, contestado);
        QVariantMap rechazado = personal(2, "SOSA", "MARTA");
        rechazado.insert({{"C_EST", "R"}, {"N_EXPE", 7100222}, {"C_RECHAZO", "01000010000101"}});
        store(pedp, rechazado);

        dbase::Table counters(QStringLiteral("sec.dbf"));
        counters.open(dbase::Table::Mode::Exclusive);
        if (counters.locate(QStringLiteral("C_SEC"), QStringLiteral("pedp"))) {
            counters.edit();
            counters.setValue(QStringLiteral("N_SEC"), 2);
            counters.post();
        }
        writeCard(QStringLiteral("h1.12"));
        writeCard(QStringLiteral("hp1.12"));
        writeAnswer(QStringLiteral("cp1.12"));
    } catch (...) {
        ProgramFolder::setPath(before);
        throw;
    }
    ProgramFolder::setPath(before);
}

} // namespace qal::reports
