#include "LiveScanFixture.h"

#include "biometrics/LiveScanPrograms.h"
#include "biometrics/forms/TFConfigLiveScan.h"
#include "core/IniFile.h"
#include "core/ProgramFolder.h"
#include "support/Controls.h"
#include "support/Typing.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using qal::test::child;

using namespace qal;

namespace {

// Stand-ins for the external capture programs: each logs its arguments, one a line, into
// <name>.log and copies the fixture print "fuente.bmp" to the outputs listed in "escribir".
struct ExternalCapture : test::LiveScanFixture
{
    void SetUp() override
    {
        LiveScanFixture::SetUp();
        ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("LiveScanIB")));
        folder = dir.file(QStringLiteral("LiveScanIB"));
        ASSERT_TRUE(QFile::copy(print(0), file(QStringLiteral("fuente.bmp"))));
        program(QStringLiteral("todos.sh"));
        program(QStringLiteral("uno.sh"));
        program(QStringLiteral("config.sh"));
        describe(QStringLiteral("Prueba.INI"), QStringLiteral("Escáner de prueba"));
        IniFile(dir.file(QStringLiteral("LiveScan.INI"))).writeString(QStringLiteral("Config"), QStringLiteral("LiveScanIni"), QStringLiteral("Prueba.INI"));
    }

    QString file(const QString &name) const { return QDir(folder).filePath(name); }

    void program(const QString &name)
    {
        QFile f(file(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\n"
                "cd \"$(dirname \"$0\")\"\n"
                "for a in \"$@\"; do printf '%s\\n' \"$a\" >> \"$(basename \"$0\" .sh).log\"; done\n"
                "[ $# -eq 0 ] && : >> \"$(basename \"$0\" .sh).log\"\n"
                "for o in $(cat escribir 2>/dev/null); do cp fuente.bmp \"$o\"; done\n");
        f.close();
        f.setPermissions(f.permissions() | QFile::ExeOwner);
    }

    void describe(const QString &name, const QString &titulo)
    {
        IniFile ini(file(name));
        ini.writeString(QStringLiteral("Config"), QStringLiteral("Titulo"), titulo);
        ini.writeString(QStringLiteral("Config"), QStringLiteral("ExeLiveScan"), QStringLiteral("todos.sh"));
        ini.writeString(QStringLiteral("Config"), QStringLiteral("ExeCaptura"), QStringLiteral("uno.sh"));
        ini.writeString(QStringLiteral("Config"), QStringLiteral("ExeConfig"), QStringLiteral("config.sh"));
    }

    void willWrite(const QStringList &outputs)
    {
        QFile f(file(QStringLiteral("escribir")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(outputs.join(u' ').toUtf8());
    }

    QStringList logOf(const QString &program) const
    {
        QFile f(file(program + QStringLiteral(".log")));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }

    // Outputs a previous person's run left behind.
    void leaveStaleOutputs()
    {
        for (int n = 1; n <= 10; ++n)
            QFile::copy(print(n), file(QStringLiteral("dedo%1.bmp").arg(n)));
        QFile::copy(print(4), file(QStringLiteral("huella.bmp")));
    }

    QString folder;
};

TEST_F(ExternalCapture, TheTenPrintProgramGetsTheRequestAndOnlyWhatItWritesIsTaken)
{
    capture([&](TFLiveScanPlano &form) {
        // all ten
        QStringList all;
        for (int n = 1; n <= 10; ++n)
            all << QStringLiteral("dedo%1.bmp").arg(n);
        willWrite(all);
        QTest::mouseClick(child<QPushButton>(form, "btCapturar"), Qt::LeftButton);
        EXPECT_EQ(logOf(QStringLiteral("todos")), QStringList {QStringLiteral("Ped: 7 Reg: 3")});
        for (int n = 1; n <= 10; ++n)
            EXPECT_EQ(form.calidades()[n - 1].code, QualityScored) << n;
        EXPECT_EQ(form.dedoActual(), 10);
        EXPECT_TRUE(form.modificado());

        // some: the others keep what they had
        click(child<QPushButton>(form, "btLimpiar"));
        willWrite({QStringLiteral("dedo2.bmp"), QStringLiteral("dedo5.bmp")});
        click(child<QPushButton>(form, "btCapturar"));
        EXPECT_EQ(form.dedoActual(), 5);
        for (int n = 1; n <= 10; ++n)
            EXPECT_EQ(QFile::exists(TFLiveScanPlano::dedoBmp(n)), n == 2 || n == 5) << n;

        // none: what an earlier run left in the folder is not taken for this person
        click(child<QPushButton>(form, "btLimpiar"));
        leaveStaleOutputs();
        willWrite({});
        click(child<QPushButton>(form, "btCapturar"));
        for (int n = 1; n <= 10; ++n) {
            EXPECT_FALSE(QFile::exists(TFLiveScanPlano::dedoBmp(n))) << n;
            EXPECT_FALSE(QFile::exists(file(QStringLiteral("dedo%1.bmp").arg(n)))) << n;
            EXPECT_EQ(form.calidades()[n - 1].code, QualityNoImage);
        }
        EXPECT_FALSE(QFile::exists(file(QStringLiteral("huella.bmp"))));

        // missing program: the message, and nothing loaded
        leaveStaleOutputs();
        QFile::remove(file(QStringLiteral("todos.sh")));
        click(child<QPushButton>(form, "btCapturar"));
        EXPECT_EQ(dialogs.lastText(), QStringLiteral("Error: no existe el programa \"%1\"").arg(file(QStringLiteral("todos.sh"))));
        for (int n = 1; n <= 10; ++n)
            EXPECT_FALSE(QFile::exists(TFLiveScanPlano::dedoBmp(n))) << n;
        EXPECT_EQ(logOf(QStringLiteral("todos")).size(), 3);
        form.reject();
    });
}

TEST_F(ExternalCapture, EnterTakesOneFingerThroughTheSingleCaptureProgram)
{
    capture([&](TFLiveScanPlano &form) {
        for (int n = 1; n <= 4; ++n)
            QTest::keyClick(form.slot(form.dedoActual()), Qt::Key_Space);
        ASSERT_EQ(form.dedoActual(), 5);
        willWrite({QStringLiteral("huella.bmp")});
        QTest::keyClick(form.slot(5), Qt::Key_Return);
        EXPECT_EQ(logOf(QStringLiteral("uno")), QStringList {QString::fromUtf8("Meñique Derecho")});
        EXPECT_EQ(form.calidades()[4].code, QualityScored);
        EXPECT_TRUE(QFile::exists(TFLiveScanPlano::dedoBmp(5)));

        // a program that writes nothing leaves the finger alone, whatever was in the folder
        willWrite({});
        QTest::keyClick(form.slot(5), Qt::Key_Space);
        leaveStaleOutputs();
        QTest::keyClick(form.slot(6), Qt::Key_Enter);
        EXPECT_FALSE(QFile::exists(TFLiveScanPlano::dedoBmp(6)));

        QFile::remove(file(QStringLiteral("uno.sh")));
        QFile::copy(print(4), file(QStringLiteral("huella.bmp")));
        QTest::keyClick(form.slot(6), Qt::Key_Return);
        EXPECT_EQ(dialogs.lastText(), QStringLiteral("Error: no existe el programa \"%1\"").arg(file(QStringLiteral("uno.sh"))));
        EXPECT_FALSE(QFile::exists(TFLiveScanPlano::dedoBmp(6)));
        dialogs.answer(DialogButton::No);
        click(child<QPushButton>(form, "btSalir"));
    });
}

TEST_F(ExternalCapture, TheConfigurationFormLoadsWritesBackAndTriesThePrograms)
{
    describe(QStringLiteral("Otro.ini"), QStringLiteral("Otro escáner"));
    IniFile(file(QStringLiteral("Vacio.INI"))).writeString(QStringLiteral("Config"), QStringLiteral("ExeLiveScan"), QStringLiteral("x"));
    dm->GrabarParametro(QStringLiteral("flip_hor"), QStringLiteral("S"));
    dm->GrabarParametro(QStringLiteral("crlt_quality"), QStringLiteral("N"));
    TFConfigLiveScan config(*dm);
    EXPECT_EQ(config.windowTitle(), QStringLiteral("Configuración de LiveScan"));
    EXPECT_FALSE(child<QCheckBox>(config, "chkAutoAvance")->isChecked());
    EXPECT_TRUE(child<QCheckBox>(config, "chkFlipHor")->isChecked());
    EXPECT_FALSE(child<QCheckBox>(config, "chkFlipVer")->isChecked());
    EXPECT_FALSE(child<QCheckBox>(config, "chkCtrlCalidad")->isChecked());
    EXPECT_EQ(child<QComboBox>(config, "cbLiveScan")->currentText(), QStringLiteral("Plano"));
    EXPECT_EQ(child<QLineEdit>(config, "edPathLiveScan")->text(), QStringLiteral("C:\\LiveScanIB\\"));
    ASSERT_EQ(child<QComboBox>(config, "cbProgramaExterno")->count(), 2) << "a description without a title is no program set";
    EXPECT_EQ(child<QComboBox>(config, "cbProgramaExterno")->currentText(), QStringLiteral("Escáner de prueba"));

    // the buttons try the chosen programs with "prueba"; the set-up program gets nothing
    click(child<QPushButton>(config, "btCaptura"));
    click(child<QPushButton>(config, "btLiveScan"));
    EXPECT_EQ(logOf(QStringLiteral("uno")), QStringList {QStringLiteral("prueba")});
    EXPECT_EQ(logOf(QStringLiteral("todos")), QStringList {QStringLiteral("prueba")});
    click(child<QPushButton>(config, "btConfigurar"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(file(QStringLiteral("config.log"))); }, 10000));
    EXPECT_TRUE(logOf(QStringLiteral("config")).isEmpty());
    QFile::remove(file(QStringLiteral("config.sh")));
    click(child<QPushButton>(config, "btConfigurar"));
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("Error: no existe el programa \"%1\"").arg(file(QStringLiteral("config.sh"))));

    // "&Cancelar" forgets the changes
    child<QCheckBox>(config, "chkFlipVer")->setChecked(true);
    child<QComboBox>(config, "cbLiveScan")->setCurrentIndex(0);
    click(child<QPushButton>(config, "btCancelar"));
    EXPECT_FALSE(child<QCheckBox>(config, "chkFlipVer")->isChecked());
    EXPECT_EQ(child<QComboBox>(config, "cbLiveScan")->currentText(), QStringLiteral("Plano"));

    // "&Aceptar" writes every value back
    child<QCheckBox>(config, "chkAutoAvance")->setChecked(true);
    child<QCheckBox>(config, "chkFlipHor")->setChecked(false);
    child<QCheckBox>(config, "chkCtrlCalidad")->setChecked(true);
    child<QComboBox>(config, "cbLiveScan")->setCurrentIndex(0);
    child<QComboBox>(config, "cbProgramaExterno")->setCurrentIndex(child<QComboBox>(config, "cbProgramaExterno")->findText(QStringLiteral("Otro escáner")));
    click(child<QPushButton>(config, "btAceptar"));
    EXPECT_EQ(dm->LeerParametro(QStringLiteral("AutoAvance")), QStringLiteral("S"));
    EXPECT_EQ(dm->LeerParametro(QStringLiteral("flip_hor")), QStringLiteral("N"));
    EXPECT_EQ(dm->LeerParametro(QStringLiteral("flip_ver")), QStringLiteral("N"));
    EXPECT_EQ(dm->LeerParametro(QStringLiteral("crlt_quality")), QStringLiteral("S"));
    EXPECT_EQ(dm->LeerParametro(QStringLiteral("LiveScan")), QStringLiteral("Ninguno"));
    EXPECT_EQ(livescan::chosenDescription(), QStringLiteral("Otro.ini"));
    EXPECT_EQ(livescan::chosen().titulo, QStringLiteral("Otro escáner"));

    // an unknown device type selects nothing
    dm->GrabarParametro(QStringLiteral("LiveScan"), QStringLiteral("Rodado"));
    config.cargar();
    EXPECT_EQ(child<QComboBox>(config, "cbLiveScan")->currentIndex(), -1);
}

TEST_F(ExternalCapture, ScannerImagesAreMirroredAsConfigured)
{
    dm->GrabarParametro(QStringLiteral("flip_hor"), QStringLiteral("S"));
    dm->GrabarParametro(QStringLiteral("flip_ver"), QStringLiteral("S"));
    capture([&](TFLiveScanPlano &form) {
        ASSERT_TRUE(take(print(0)));
        const GreyImage original = BmpFile::readGrey(print(0));
        const GreyImage stored = BmpFile::readGrey(TFLiveScanPlano::dedoBmp(1));
        ASSERT_EQ(stored.width(), original.width());
        ASSERT_EQ(stored.height(), original.height());
        EXPECT_EQ(stored.pixel(0, 0), original.pixel(original.width() - 1, original.height() - 1));
        EXPECT_EQ(stored.pixel(stored.width() - 1, stored.height() - 1), original.pixel(0, 0));
        form.reject();
    });
}

TEST_F(ExternalCapture, TheProgramsFolderTakesOneLineOfTheCodePage)
{
    TFConfigLiveScan config(*dm);
    auto *path = child<QLineEdit>(config, "edPathLiveScan");
    ASSERT_TRUE(path);
    path->clear();
    // typed: a letter the code page lacks becomes its plain one, Cyrillic is refused
    test::typeText(path, QStringLiteral("C:\\ŁiveЖ"));
    EXPECT_EQ(path->text(), QStringLiteral("C:\\Live"));
    // pasted: a tab and a line break become spaces, an end-of-file mark goes
    QApplication::clipboard()->setText(QStringLiteral("\tScan\r\n\x1a"));
    QTest::keyClick(path, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(path->text(), QStringLiteral("C:\\Live Scan "));
}

} // namespace
