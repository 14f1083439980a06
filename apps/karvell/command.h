#pragma once
// The subcommands of the karvell tool. Each command lives in its own file and registers itself
// with a static KARVELL_COMMAND object, so adding one touches no other file.
#include <QString>
#include <QStringList>
#include <functional>

#include "platform/progress.h"

namespace karvell::cli {

struct Command {
    QString name;
    QString usage;   // one line: "dump TEMPLATE"
    QString summary; // one line of help
    // Runs with the arguments after the command name; answers the exit status.
    std::function<int(const QStringList& args)> run;
    bool needsDisplay = false; // opens a window (view): no offscreen platform forced
};

void RegisterCommand(const Command& command);
const QList<Command>& Commands();

struct Registrar {
    explicit Registrar(const Command& command) { RegisterCommand(command); }
};

// More help for `karvell COMMAND --help` than the one-line summary (options, step formats).
void RegisterCommandDetails(const QString& name, const QString& details);
QString CommandDetails(const QString& name);

struct DetailsRegistrar {
    DetailsRegistrar(const QString& name, const QString& details) {
        RegisterCommandDetails(name, details);
    }
};

// Writes a message to stderr (UTF-8) with a trailing newline.
void PrintError(const QString& message);
// Writes text to stdout (UTF-8) as is.
void PrintOut(const QString& text);
// Progress of long phases on stderr (redrawn in place on a terminal, else a line every few
// seconds): the expansion's passes over the records, the pages written.
ProgressReport StderrProgress();

} // namespace karvell::cli

#define KARVELL_CLI_CONCAT2(a, b) a##b
#define KARVELL_CLI_CONCAT(a, b) KARVELL_CLI_CONCAT2(a, b)
#define KARVELL_COMMAND(...)                                                                       \
    static const ::karvell::cli::Registrar KARVELL_CLI_CONCAT(karvellCommand_, __LINE__)(          \
        ::karvell::cli::Command{__VA_ARGS__})
#define KARVELL_COMMAND_DETAILS(name, text)                                                        \
    static const ::karvell::cli::DetailsRegistrar KARVELL_CLI_CONCAT(karvellDetails_,              \
                                                                     __LINE__)(name, text)
