// QAL Regional: the program's entry.
#include "app/SingleInstance.h"
#include "app/forms/ProgressWindow.h"
#include "app/forms/TFMenu.h"
#include "app/forms/TFSplash.h"
#include "biometrics/ImageRules.h"
#include "biometrics/NfiqLibrary.h"
#include "biometrics/TFingerScan.h"
#include "data/Tdm.h"
#include "requests/central/CentralPersonalSoap.h"
#include "requests/central/MotivoRechazoOficialSoap.h"
#include "exchange/TSMimeReg.h"
#include "exchange/soap/ServicioBiometrico.h"
#include "exchange/soap/ServicioBoleta.h"
#include "exchange/soap/ServicioWeb.h"
#include "ui/QtDialogs.h"

#include "core/Dialogs.h"
#include "core/ProgramFolder.h"

#include <QApplication>
#include <QDir>
#include <QLocale>
#include <QScreen>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

using namespace qal;

int main(int argc, char **argv)
{
    // Regional formats first: dates dd/MM/yyyy, "$" before amounts (Argentina).
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Argentina));
    QApplication app(argc, argv);
    // The program's title; never its display name, which the platform would append to the
    // caption of every window.
    QApplication::setApplicationName(QStringLiteral("QAL - Regional"));
    ProgramFolder::setPath(QCoreApplication::applicationDirPath());
    QDir::setCurrent(ProgramFolder::path());
    QtDialogs dialogs;
    Dialogs::install(&dialogs);

    // The quality module is loaded once, now; a missing one is fetched when first needed,
    // but one that loads without its entry points is a broken installation.
    try {
        NfiqLibrary::loadAtStart();
    } catch (const NfiqLibrary::MissingEntryPoint &e) {
        Dialogs::error(QString::fromUtf8(e.what()));
        return 1;
    }

    TFMenu menu;
    SingleInstance guard(ProgramFolder::path());
    if (!guard.acquire()) {
        menu.otraInstancia = true;
        return 0;
    }
    QObject::connect(&guard, &SingleInstance::activationRequested, &menu, [&menu] {
        menu.setWindowState((menu.windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
        menu.raise();
        menu.activateWindow();
    });

    TFSplash splash; // shown by no one: the live-scan configuration closes it
    Tdm dm;
    dm.aceptacionImagenes = std::make_unique<ImageRulesAcceptance>();
    dm.openProgress = [](const QString &title, const QString &label) -> std::unique_ptr<Progress> {
        auto window = std::make_unique<ProgressWindow>(title, label);
        window->showAtOnce();
        return window;
    };
    dm.dmCreate();
    if (dm.terminated())
        return 1;
    // A later maintenance failure that ends the program ("Ordenamiento de Archivos...") ends it
    // for real, instead of leaving it running with its tables closed.
    QObject::connect(&dm, &Tdm::terminateRequested, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    menu.setDataModule(&dm);
    CentralPersonalSoap centralPersonal(dm);
    menu.setServicioCentralPersonal(&centralPersonal);
    menu.setMotivoRechazoOficial(motivoRechazoOficialSoap(dm));
    // The fingerprint scanner delivers to whichever capture window is on screen.
    TFingerScan fingerScan;
    TFingerScan::setInstance(&fingerScan);
    soap::ServicioBiometrico verificador([&dm] { return soap::SoapSettings::current(&dm); });
    menu.setVerificadorHuella(&verificador);
    QString scannerProblem;
    if (!fingerScan.startInProgramFolder(scannerProblem))
        Dialogs::error(scannerProblem);
    // The one transport object; the data module owns it from here on.
    auto smime = std::make_unique<exchange::TSMimeReg>(dm, ProgramFolder::path());
    menu.setTransport(smime.get());
    // The message web service (used when envWebService is not "N"; the mail settings window
    // can switch it on later) and the bank-slip look-ups of the central office.
    soap::SoapMessageTransport *webService = soap::instalarServicioWeb(
        *smime, dm, [&menu](const QString &line) { menu.registrarEnvioWeb(line); });
    dm.SMime = std::move(smime);
    dm.servicioBoleta = std::make_unique<soap::ServicioBoleta>(dm, [&dm] { return soap::SoapSettings::current(&dm); });
    // Maximised; also where no window manager does it (a kiosk session, Xvfb).
    menu.setGeometry(menu.screen()->availableGeometry());
    menu.showMaximized();
    // A failed or cancelled log-in ends the program before the window is used.
    if (menu.accesoDenegado) {
        Dialogs::install(nullptr);
        return 1;
    }
    // For start-up measurements: say when the main window is up, and leave at once.
    if (qEnvironmentVariableIsSet("QAL_STARTUP_PROBE")) {
        QTimer::singleShot(0, [] {
            std::fputs("QAL: ventana principal mostrada\n", stderr);
            std::fflush(stderr);
            std::_Exit(0);
        });
    }
    const int status = app.exec();
    // Sends still on their way end (by their time-out at the latest) and are logged.
    webService->esperarEnvios();
    Dialogs::install(nullptr);
    return status;
}
