#pragma once

#include "data/StoredRequests.h"

#include "exchange/soap/CentralSim.h"

#include "data/ProgramFolderSetup.h"
#include "data/Tdm.h"
#include "dbase/Table.h"

#include "core/ProgramFolder.h"
#include "support/ScriptedDialogs.h"
#include "support/TempFolder.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>

#include <gtest/gtest.h>

#include <memory>

namespace qal::test {

// A started data module over a fresh program folder whose url table points at a central
// office simulator serving its pages from states.json.
class CentralPagesFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_before = ProgramFolder::path();
        createProgramFolder(dir.path());
        ProgramFolder::setPath(dir.path());
        setStates({});
        sim = std::make_unique<CentralSim>(QStringList {QStringLiteral("--states"), dir.file(QStringLiteral("states.json"))});
        ASSERT_TRUE(sim->running());
        dm = std::make_unique<Tdm>();
        dm->dmCreate();
        ASSERT_TRUE(dm->InicioCompleto);
        setUrls({{1, base()}});
        setting("c_reg", "3");
        setting("c_regp", "5");
        dialogs.clear();
    }
    void TearDown() override
    {
        EXPECT_NO_DIALOG_PROBLEMS(dialogs);
        dm.reset();
        ProgramFolder::setPath(m_before);
    }

    QString base() const { return sim->server() + QStringLiteral("/qalcentral/"); }

    // The office's own data: {"oficiales": [...], "personales": [...]}.
    void setStates(const QJsonObject &states)
    {
        QFile file(dir.file(QStringLiteral("states.json")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QJsonDocument(states).toJson());
    }

    // Replaces the url table's rows, written in the order given.
    void setUrls(const QList<QPair<int, QString>> &rows)
    {
        dbase::Table &url = dm->url;
        while (!url.isEmpty()) {
            url.first();
            url.deleteRecord();
        }
        for (const auto &[prior, address] : rows) {
            url.append();
            url.setValue(QStringLiteral("N_PRIOR"), prior);
            url.setValue(QStringLiteral("X_URL"), address);
            url.post();
        }
    }

    // A loopback address where nothing listens.
    static QString deadAddress()
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        return QStringLiteral("http://127.0.0.1:%1/").arg(probe.serverPort());
    }

    // The pages the simulator served: name, path and query, user agent, accept, cache
    // control, status, note.
    QList<QStringList> pages() const
    {
        QList<QStringList> lines;
        QFile file(sim->recordDir() + QStringLiteral("/pages.log"));
        if (file.open(QIODevice::ReadOnly))
            for (const QByteArray &line : file.readAll().split('\n'))
                if (!line.isEmpty())
                    lines << QString::fromUtf8(line).split(QLatin1Char('\t'));
        return lines;
    }

    // A request of this office in the given state (the official one marked sent); its number.
    qlonglong request(bool personal, const QString &state)
    {
        return storeRequestInState(*dm, personal, state);
    }
    // The request's field, read afresh.
    QVariant field(bool personal, qlonglong number, const char *name)
    {
        return storedRequestField(*dm, personal, number, name);
    }

    void setting(const char *key, const QString &value) { ASSERT_TRUE(dm->GrabarParametro(QLatin1String(key), value)); }

    TempFolder dir;
    std::unique_ptr<CentralSim> sim;
    std::unique_ptr<Tdm> dm;
    ScriptedDialogs dialogs;

private:
    QString m_before;
};

} // namespace qal::test
