// karvell: the headless command-line front end of the report component.
#include <QApplication>
#include <QHash>
#include <cstdio>
#include <exception>
#include <unistd.h>

#include "command.h"
#include "offsetoption.h"
#include "platform/error.h"
#include "platform/logfont.h"
#include "platform/messages.h"
#include "platform/session.h"
#include "printerbackend.h"

namespace karvell::cli {

namespace {
QList<Command>& Registry() {
    static QList<Command> commands;
    return commands;
}

void PrintHelp() {
    QString text = QStringLiteral(
        "karvell - batch tool for report templates\n\nUsage: karvell COMMAND [ARGS]\n\n");
    for (const Command& c : Commands())
        text += QStringLiteral("  karvell %1\n      %2\n").arg(c.usage, c.summary);
    text += QStringLiteral(
        "\nEnvironment:\n"
        "  KARVELL_PDF_DIR      folder of the built-in \"PDF\" printer (default ./output)\n"
        "  KARVELL_NO_PRINTERS  set to 1 to hide every printer\n"
        "  KARVELL_DB_PASSWORD  replaces the password of every connection string\n"
        "\nPrinting commands (print, expand, batch, calibrate) take --offset X,Y: the form\n"
        "offset in millimetres (right and down, each from -100 to 100) for pre-printed paper.\n"
        "\n`karvell COMMAND --help` describes one command; `karvell --version` the version.\n");
    PrintOut(text);
}

void PrintCommandHelp(const Command& c) {
    QString text = QStringLiteral("Usage: karvell %1\n\n%2\n").arg(c.usage, c.summary);
    const QString details = CommandDetails(c.name);
    if (!details.isEmpty()) text += QLatin1Char('\n') + details + QLatin1Char('\n');
    PrintOut(text);
}

bool AsksForHelp(const QStringList& args) {
    return args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h"));
}
} // namespace

void RegisterCommand(const Command& command) {
    Registry().append(command);
}

QHash<QString, QString>& DetailsRegistry() {
    static QHash<QString, QString> details;
    return details;
}

void RegisterCommandDetails(const QString& name, const QString& details) {
    DetailsRegistry().insert(name, details);
}

QString CommandDetails(const QString& name) {
    return DetailsRegistry().value(name);
}
const QList<Command>& Commands() {
    return Registry();
}

void PrintError(const QString& message) {
    std::fputs(message.toUtf8().constData(), stderr);
    std::fputc('\n', stderr);
}

ProgressReport StderrProgress() {
    return ProgressReport(isatty(fileno(stderr)) != 0, [](const QByteArray& text) {
        std::fwrite(text.constData(), 1, size_t(text.size()), stderr);
        std::fflush(stderr);
    });
}

void PrintOut(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, bytes.size(), stdout);
    std::fflush(stdout);
}

} // namespace karvell::cli

int main(int argc, char** argv) {
    using namespace karvell::cli;
    const QString name = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    const Command* command = nullptr;
    for (const Command& c : Commands())
        if (c.name == name) command = &c;
    if (name.isEmpty() || name == QLatin1String("--help") || name == QLatin1String("-h") ||
        name == QLatin1String("help")) {
        PrintHelp();
        return name.isEmpty() ? 1 : 0;
    }
    if (name == QLatin1String("--version") || name == QLatin1String("-V")) {
        PrintOut(QStringLiteral("karvell %1\n").arg(QLatin1String(KARVELL_VERSION)));
        return 0;
    }
    if (!command) {
        PrintError(QStringLiteral("karvell: unknown command '%1' (see karvell --help)").arg(name));
        return 1;
    }
    QStringList rawArgs;
    for (int i = 2; i < argc; ++i)
        rawArgs.append(QString::fromLocal8Bit(argv[i]));
    if (AsksForHelp(rawArgs)) {
        PrintCommandHelp(*command);
        return 0;
    }
    karvell::PrepareSessionEnvironment();
    if (command->needsDisplay && !karvell::HasDisplay()) {
        PrintError(
            QStringLiteral("karvell %1：没有显示器（DISPLAY 未设置），无法打开窗口").arg(name));
        return 1;
    }
    // Batch commands run without a display.
    if (!command->needsDisplay && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    karvell::InstallFontSubstitutions();
    karvell::InstallSystemPrinters();
    karvell::StderrMessages messages;
    karvell::MessageService::SetInstance(&messages);
    QStringList args = app.arguments().mid(2);
    // Printing commands share the form offset option.
    QString offsetError;
    if (!TakeOffsetOption(args, &offsetError)) {
        PrintError(offsetError);
        return 1;
    }
    try {
        return command->run(args);
    } catch (const karvell::KarvellError& e) {
        PrintError(e.message());
    } catch (const std::exception& e) {
        PrintError(karvell::ErrorText(e));
    }
    return 1;
}
