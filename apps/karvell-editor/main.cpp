// karvell-editor: a report runtime with the named queries in a data module, its ReportFile set
// to the template, and its Design operation, which opens the template editor modally.
#include <QApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QObject>
#include <cstdio>

#include "adoquery.h"
#include "editor/karvellform.h"
#include "editoroptions.h"
#include "platform/error.h"
#include "platform/gbk.h"
#include "platform/logfont.h"
#include "platform/messages.h"
#include "platform/printer.h"
#include "platform/session.h"
#include "printerbackend.h"
#include "qtmessages.h"
#include "qttranslations.h"
#include "runtime/components.h"
#include "runtime/reportruntime.h"
#include "runtimeui.h"

namespace {

void PrintLine(const QString& text) {
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

} // namespace

int main(int argc, char** argv) {
    using namespace karvell;
    PrepareSessionEnvironment();
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));
    EditorOptions options;
    QString error;
    if (!ParseEditorOptions(args, &options, &error)) {
        PrintLine(error + u'\n' + QString::fromLatin1(EDITOR_USAGE));
        return 2;
    }
    if (options.help) {
        std::printf("%s\n", EDITOR_USAGE);
        return 0;
    }
    if (options.version) {
        std::printf("karvell-editor %s\n", KARVELL_VERSION);
        return 0;
    }
    if (!HasDisplay()) {
        PrintLine(QStringLiteral("karvell-editor: 没有显示器，编辑窗口无法打开"));
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Karvell"));
    SetApplicationTitle(QStringLiteral("Karvell"));
    InstallFontSubstitutions();
    InstallQtTranslations(app);
    InstallSystemPrinters();
    if (qEnvironmentVariableIsSet("KARVELL_PDF_DIR")) {
        PrinterService& printers = PrinterService::Instance();
        const int pdf = int(printers.Printers().indexOf(QStringLiteral("PDF")));
        if (pdf >= 0) printers.SetCurrentIndex(pdf);
    }

    // The queries are components of a data module, so the editor's data-set box lists them
    // ("DataModule1.NAME") and its field windows find them; the runtime belongs to it too.
    QObject module;
    module.setObjectName(QStringLiteral("DataModule1"));
    Components::RegisterForm(&module);
    auto* runtime = new TReportRunTime(&module);
    runtime->setObjectName(QStringLiteral("ReportRunTime1"));
    for (const auto& [name, sql] : std::as_const(options.dataSets)) {
        auto* query = new TADOQuery(&module);
        query->setObjectName(name);
        query->SetConnectionString(options.connection);
        query->SetSQL({sql});
        runtime->SetDataSet(Gbk::Encode(name), query);
    }

    // The template is read once, by the runtime, before any window: one that cannot be read
    // ends the program with its error.
    if (!options.templateFile.isEmpty()) {
        // The editor shows and remembers the full path.
        options.templateFile = QFileInfo(options.templateFile).absoluteFilePath();
        StderrMessages check;
        MessageService::SetInstance(&check);
        bool failed = false;
        try {
            runtime->SetReportFile(options.templateFile);
            failed = !runtime->Outcome.TemplateIssue.isEmpty();
            runtime->ShowNotes();
        } catch (const KarvellError& e) {
            PrintLine(QStringLiteral("karvell-editor: ") + e.message());
            failed = true;
        }
        MessageService::SetInstance(nullptr);
        if (failed) return 1;
    }

    QtMessages windowMessages;
    MessageService::SetInstance(&windowMessages);
    WidgetRuntimeUi runtimeUi;
    RuntimeUi::SetInstance(&runtimeUi);
    // The editor's command-line step must not see these options, nor open the template again.
    TKarvellForm::SetTemplateArguments({});
    runtime->Design();
    RuntimeUi::SetInstance(nullptr);
    MessageService::SetInstance(nullptr);
    return 0;
}
