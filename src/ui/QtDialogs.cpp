#include "QtDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace qal {
namespace {

QMessageBox::StandardButton standard(DialogButton b)
{
    switch (b) {
    case DialogButton::Ok: return QMessageBox::Ok;
    case DialogButton::Cancel: return QMessageBox::Cancel;
    case DialogButton::Yes: return QMessageBox::Yes;
    case DialogButton::No: return QMessageBox::No;
    case DialogButton::Abort: return QMessageBox::Abort;
    case DialogButton::Retry: return QMessageBox::Retry;
    case DialogButton::Ignore: return QMessageBox::Ignore;
    case DialogButton::None: break;
    }
    return QMessageBox::NoButton;
}

// Button captions as the operators know them.
QString caption(DialogButton b)
{
    switch (b) {
    case DialogButton::Ok: return QStringLiteral("Aceptar");
    case DialogButton::Cancel: return QStringLiteral("Cancelar");
    case DialogButton::Yes: return QStringLiteral("&Sí");
    case DialogButton::No: return QStringLiteral("&No");
    case DialogButton::Abort: return QStringLiteral("&Anular");
    case DialogButton::Retry: return QStringLiteral("&Reintentar");
    case DialogButton::Ignore: return QStringLiteral("&Ignorar");
    case DialogButton::None: break;
    }
    return {};
}

QMessageBox::Icon icon(DialogIcon i)
{
    switch (i) {
    case DialogIcon::Information: return QMessageBox::Information;
    case DialogIcon::Warning: return QMessageBox::Warning;
    case DialogIcon::Error: return QMessageBox::Critical;
    case DialogIcon::Question: return QMessageBox::Question;
    case DialogIcon::NoIcon: break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

QWidget *QtDialogs::parentWindow()
{
    if (QWidget *modal = QApplication::activeModalWidget())
        return modal;
    return QApplication::activeWindow();
}

DialogButton QtDialogs::ask(const DialogMessage &message)
{
    QMessageBox box(icon(message.icon), message.title,
                    QString(message.text).replace(QLatin1Char('\r'), QLatin1Char('\n')),
                    QMessageBox::NoButton, parentWindow());
    for (DialogButton b : message.buttons) {
        QAbstractButton *button = box.addButton(standard(b));
        button->setText(caption(b));
        if (b == message.defaultButton)
            box.setDefaultButton(static_cast<QPushButton *>(button));
    }
    box.exec();
    const auto clicked = box.standardButton(box.clickedButton());
    for (DialogButton b : message.buttons) {
        if (standard(b) == clicked)
            return b;
    }
    return DialogButton::Cancel; // closed with Escape
}

std::optional<QString> QtDialogs::input(const DialogInput &request)
{
    QInputDialog dialog(parentWindow());
    dialog.setWindowTitle(request.title);
    dialog.setLabelText(request.label);
    dialog.setTextEchoMode(request.password ? QLineEdit::Password : QLineEdit::Normal);
    dialog.setTextValue(request.initial);
    // Qt's own captions are English; the operator reads the same ones as on every message box
    dialog.setOkButtonText(caption(DialogButton::Ok));
    dialog.setCancelButtonText(caption(DialogButton::Cancel));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

QString QtDialogs::openFileName(const DialogFile &request)
{
    return QFileDialog::getOpenFileName(parentWindow(), request.title, request.folder, request.filter);
}

QString QtDialogs::saveFileName(const DialogFile &request)
{
    return QFileDialog::getSaveFileName(parentWindow(), request.title, request.folder, request.filter, nullptr,
                                        request.confirmOverwrite ? QFileDialog::Options()
                                                                 : QFileDialog::DontConfirmOverwrite);
}

bool QtDialogs::choosePrinter(DialogPrinter &request)
{
    QPrinter printer(QPrinter::HighResolution);
    if (!request.printer.isEmpty())
        printer.setPrinterName(request.printer);
    printer.setCopyCount(request.copies);
    QPrintDialog dialog(&printer, parentWindow());
    dialog.setWindowTitle(request.title.isEmpty() ? QStringLiteral("Imprimir") : request.title);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, request.fromPage > 0);
    if (request.fromPage > 0)
        dialog.setMinMax(request.fromPage, request.toPage);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    request.printer = printer.printerName();
    request.copies = printer.copyCount();
    request.outputFile = printer.outputFormat() == QPrinter::PdfFormat ? printer.outputFileName() : QString();
    if (request.fromPage > 0 && dialog.printRange() == QAbstractPrintDialog::PageRange) {
        request.fromPage = dialog.fromPage();
        request.toPage = dialog.toPage();
    }
    // printing to a file named *.txt is the text file the caller offered
    request.textFile = request.offerTextFile && request.outputFile.endsWith(QLatin1String(".txt"), Qt::CaseInsensitive);
    return true;
}

} // namespace qal
