#pragma once

#include "exchange/MailRig.h"

#include "exchange/TdmMail.h"

#include "core/ProgramFolder.h"
#include "data/PasswordProtection.h"
#include "data/ProgramFolderSetup.h"
#include "data/Tdm.h"
#include "support/ScriptedDialogs.h"
#include "support/TempFolder.h"

#include <QFile>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <memory>

namespace qal::test {

// A program folder whose mail settings point at the test suite's mail rig, with an empty
// mailbox. Tests that need the rig are skipped when it is not running.
struct MailFixture : ::testing::Test
{
    void SetUp() override
    {
        rig = MailRig::fromEnvironment();
        if (!rig.available())
            GTEST_SKIP() << "no mail rig (MAILRIG_DIR)";
        rig.clear();
        before = ProgramFolder::path();
        createProgramFolder(dir.path());
        ProgramFolder::setPath(dir.path());
        dm = std::make_unique<Tdm>();
        dm->dmCreate();
        ASSERT_TRUE(dm->InicioCompleto);
        setting("pop3Name", rig.host);
        setting("pop3Port", QString::number(rig.pop3Port));
        setting("pop3User", rig.user);
        setting("pop3PwdE", ComplementarClave(rig.password));
        setting("smtpName", rig.host);
        setting("smtpPort", QString::number(rig.smtpPort));
        setting("userEmail", QStringLiteral("regional@qal.test"));
        setting("emailFwd", QStringLiteral("reenvios@qal.test"));
        setting("mailCAFile", rig.ca);
        setting("LogOpeMail", QStringLiteral("N"));
        mail = std::make_unique<exchange::TdmMail>(*dm);
    }
    void TearDown() override
    {
        mail.reset();
        dm.reset();
        if (!before.isNull())
            ProgramFolder::setPath(before);
        EXPECT_NO_DIALOG_PROBLEMS(dialogs);
    }
    void setting(const char *key, const QString &value)
    {
        ASSERT_TRUE(dm->GrabarParametro(QLatin1String(key), value));
    }
    // A file of the program folder with random bytes.
    QByteArray writeRandomFile(const QString &name, qsizetype size)
    {
        QByteArray bytes(size, Qt::Uninitialized);
        for (char &c : bytes)
            c = static_cast<char>(QRandomGenerator::global()->bounded(256));
        writeFile(name, bytes);
        return bytes;
    }
    void writeFile(const QString &name, const QByteArray &bytes)
    {
        QFile f(dir.file(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray readFile(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // Sends one message from the office to the central mailbox, through the module.
    void send(const QString &subject, const QStringList &attachments = {}, QStringList body = {QStringLiteral("Hola")})
    {
        exchange::THeaderMsg header;
        header.To = QStringLiteral("central@qal.test");
        header.Subject = subject;
        QString error;
        QStringList paths;
        for (const QString &name : attachments)
            paths << dir.file(name);
        ASSERT_TRUE(mail->SendMail(header, body, &error, paths)) << error.toStdString();
    }
    int count()
    {
        int n = -1;
        QString error;
        EXPECT_TRUE(mail->GetTotMsgInbox(&n, &error)) << error.toStdString();
        return n;
    }

    MailRig rig;
    TempFolder dir;
    ScriptedDialogs dialogs;
    std::unique_ptr<Tdm> dm;
    std::unique_ptr<exchange::TdmMail> mail;
    QString before;
};

} // namespace qal::test
