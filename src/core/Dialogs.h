#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace qal {

enum class DialogButton { None, Ok, Cancel, Yes, No, Abort, Retry, Ignore };
enum class DialogIcon { NoIcon, Information, Warning, Error, Question };

struct DialogMessage
{
    DialogIcon icon = DialogIcon::Information;
    QString title;
    QString text;
    QList<DialogButton> buttons {DialogButton::Ok};
    DialogButton defaultButton = DialogButton::Ok;
};

struct DialogInput
{
    QString title;
    QString label;
    QString initial;
    bool password = false;
};

struct DialogFile
{
    QString title;
    QString folder;
    QString filter; // Qt filter syntax: "Imágenes (*.tif *.bmp)"
    // A save dialog asks before overwriting an existing file; false leaves it to the caller.
    bool confirmOverwrite = true;
};

// The print dialog: the printer proposed and, on return, the one chosen.
struct DialogPrinter
{
    QString title;
    QString printer;    // empty: the default printer
    int copies = 1;
    QString outputFile; // set on return when the operator chose to print to a PDF file
    // A page range offered (0: none); on return the pages chosen (the whole range for all).
    int fromPage = 0, toPage = 0;
    // Printing to a text file offered; on return true when the operator chose it (the file
    // name given in the dialog, if any, is in outputFile).
    bool offerTextFile = false;
    bool textFile = false;
};

// Every modal message, question, input box, file chooser and print dialog of the program goes through
// this interface. Logic calls it; the widget layer installs the real implementation and
// tests install a scripted one. With nothing installed, messages go to standard error
// and every question is answered with its cancelling choice, so command-line tools and
// start-up code never block.
class Dialogs
{
public:
    virtual ~Dialogs() = default;

    virtual DialogButton ask(const DialogMessage &message) = 0;
    // nullopt when cancelled
    virtual std::optional<QString> input(const DialogInput &request) = 0;
    // empty when cancelled
    virtual QString openFileName(const DialogFile &request) = 0;
    virtual QString saveFileName(const DialogFile &request) = 0;
    // false when cancelled; without a print dialog, printing is cancelled
    virtual bool choosePrinter(DialogPrinter &request)
    {
        Q_UNUSED(request);
        return false;
    }

    static Dialogs &instance();
    // Returns the previous implementation; nullptr restores the default.
    static Dialogs *install(Dialogs *dialogs);

    // Conveniences over instance().ask().
    static void information(const QString &text, const QString &title = QString());
    static void warning(const QString &text, const QString &title = QStringLiteral("Advertencia"));
    static void error(const QString &text, const QString &title = QStringLiteral("Error"));
    static bool confirm(const QString &text, const QString &title = QStringLiteral("Confirmar"),
                        DialogButton defaultButton = DialogButton::Yes);

    // Title of untitled boxes: the application's.
    static QString applicationTitle();
};

} // namespace qal
