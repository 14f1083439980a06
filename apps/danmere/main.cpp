// Danmere, the voucher designer: the program body.
#include <QApplication>
#include <QGuiApplication>
#include <memory>

#include "apptermination.h"
#include "mainform.h"
#include "platform/logfont.h"
#include "platform/messages.h"
#include "platform/printer.h"
#include "platform/session.h"
#include "printerbackend.h"
#include "qtmessages.h"
#include "qttranslations.h"
#include "runtimeui.h"

int main(int argc, char** argv) {
    using namespace karvell;
    PrepareSessionEnvironment();
    // Without a display (a batch run over ssh or cron) the voucher still prints; the designer
    // window then cannot be used, which start-up below reports.
    if (!HasDisplay()) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Danmere"));
    SetApplicationTitle(QStringLiteral("Danmere"));
    InstallFontSubstitutions();
    InstallQtTranslations(app);

    // Boxes nobody can see cannot be answered: without a display they go to stderr.
    QtMessages windowMessages;
    StderrMessages consoleMessages;
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        MessageService::SetInstance(&consoleMessages);
    else
        MessageService::SetInstance(&windowMessages);

    InstallSystemPrinters();
    // Asked to write PDF files: the built-in "PDF" printer is the one to print on.
    if (qEnvironmentVariableIsSet("KARVELL_PDF_DIR")) {
        PrinterService& printers = PrinterService::Instance();
        const int pdf = int(printers.Printers().indexOf(QStringLiteral("PDF")));
        if (pdf >= 0) printers.SetCurrentIndex(pdf);
    }

    WidgetRuntimeUi runtimeUi;
    RuntimeUi::SetInstance(&runtimeUi);
    int exitCode = 0;
    {
        TMainForm mainForm(app.arguments().mid(1));
        // A preview closed during start-up, or direct printing, has ended the program already.
        if (!AppTermination::Requested()) {
            // Without a display nobody could ever use or close the designer window (a batch
            // run whose start-up failed): end with an error instead of waiting for ever. A
            // direct print ("1") has already said why it failed; the window is no news there.
            if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
                if (app.arguments().value(1) != QLatin1String("1"))
                    consoleMessages.Show(
                        QStringLiteral("Danmere"),
                        QStringLiteral("没有显示器，设计窗口无法使用，程序结束。"), MsgIcon::Error,
                        MsgButtons::Ok);
                exitCode = 1;
            } else {
                mainForm.showMaximized();
            }
        }
        if (exitCode == 0) exitCode = AppTermination::RunEventLoop(app);
    }
    RuntimeUi::SetInstance(nullptr);
    MessageService::SetInstance(nullptr);
    return exitCode;
}
