#pragma once

#include "data/RequestFixture.h"

#include "exchange/EnvioPedido.h"

#include "exchange/RecordingTransport.h"

#include <QVariantMap>

namespace qal::test {

// The request fixture with a recording transport and a fixed network identity.
class PackageFixture : public RequestFixture
{
protected:
    void SetUp() override
    {
        RequestFixture::SetUp();
        auto t = std::make_unique<RecordingTransport>();
        transport = t.get();
        dm->SMime = std::move(t);
        dm->usuarioActual = QStringLiteral("admin");
    }

    exchange::EnvioPedido envio()
    {
        exchange::EnvioPedido e(*dm);
        e.obtenerIdentidad = [] { return NetworkIdentity {"00:1A:2B:3C:4D:5E", "192.168.0.7", "regional-pc"}; };
        return e;
    }

    static QByteArray golden(const QString &name)
    {
        QFile f(TempFolder::fixture(QStringLiteral("package/") + name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // Sets fields of the current record of t, as the program's own code does.
    void change(dbase::Table &t, const QVariantMap &values)
    {
        t.edit();
        for (auto it = values.begin(); it != values.end(); ++it)
            t.setValue(it.key(), it.value());
        post(t);
    }

    // Writes fields straight into the stored record, past the record rules: how an older
    // program left a request.
    void storeRaw(const QString &tableFile, const QVariant &cPed, const QVariantMap &values)
    {
        dbase::Table raw(tableFile);
        raw.open();
        ASSERT_TRUE(raw.locate(QStringLiteral("C_PED"), cPed));
        raw.edit();
        for (auto it = values.begin(); it != values.end(); ++it)
            raw.setValue(it.key(), it.value());
        raw.post();
        raw.close();
        dbase::Table &t = tableFile == QLatin1String("PED.DBF") ? dm->ped : dm->pedp;
        t.refresh();
    }

    // The official request of the golden package: two aliases, a multi-line observation.
    void officialForPackage()
    {
        dbase::Table &t = dm->ped;
        t.append();
        const QVariantMap values {{"C_ORG", 2}, {"C_SEXO", "M"}, {"C_TDOC", "DU"}, {"C_NAC", 1},
                                  {"X_SEC", "SECRETARÍA Nº 2"}, {"X_APE1", "GOMEZ"}, {"X_APE2", "PEÑA"},
                                  {"X_NOM1", "JUAN"}, {"X_NOM2", "CARLOS"}, {"F_NAC", QDate(1980, 5, 17)},
                                  {"N_DOC", 28123456}, {"C_PROVCI", 5}, {"X_NOMPADR1", "JORGE"},
                                  {"X_OBS", "LINEA UNO\r\nLINEA DOS"}, {"C_PRIOR", 1}, {"N_CAUSA", "4512/26"},
                                  {"C_TDEL", 101}, {"C_CLASDER", "e2130"}, {"M_EXCART51", true},
                                  {"M_TOMA_KTV", true}, {"C_PREFIJO", "F"}, {"X_EMAIL", "jnc1@pjn.gov.ar"}};
        for (auto it = values.begin(); it != values.end(); ++it)
            t.setValue(it.key(), it.value());
        post(t);
        alias("GOMES", "JUAN", QString());
        alias("GOMEZ", "JUAN", "CARLOS", "PENA");
    }
    void alias(const QString &ape1, const QString &nom1, const QString &nom2, const QString &ape2 = QString())
    {
        dbase::Table &s = dm->sup;
        s.append();
        s.setValue("X_APE1", ape1);
        s.setValue("X_APE2", ape2);
        s.setValue("X_NOM1", nom1);
        s.setValue("X_NOM2", nom2);
        post(s);
    }

    // The personal request of the golden package, saved.
    void personalForPackage()
    {
        dbase::Table &t = dm->pedp;
        t.append();
        const QVariantMap values {{"C_SEXO", "F"}, {"C_TDOC", "DU"}, {"C_NAC", 1}, {"C_PROV_S", 5},
                                  {"X_DOM_S", "CORRIENTES 1234"}, {"C_CODPOS_S", 1043}, {"X_LOC_S", "CABA"},
                                  {"X_APE1", "PEREZ"}, {"X_NOM1", "ANA"}, {"X_NOM2", "MARÍA"},
                                  {"F_NAC", QDate(1980, 5, 17)}, {"N_DOC", 20123456}, {"C_TRAM", "3"},
                                  {"C_EXPP", "RN"}, {"F_PAGO", QDate(2026, 3, 21)}, {"C_PAGO", "03123456789"},
                                  {"C_SEGUR", "A1B2C3D4E5"}};
        for (auto it = values.begin(); it != values.end(); ++it)
            t.setValue(it.key(), it.value());
        post(t);
    }

    RecordingTransport *transport = nullptr;
};

} // namespace qal::test
