#pragma once
// The command line of karvell-editor: [TEMPLATE] [--db CONNECTION] [--dataset NAME=SQL]…
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

namespace karvell {

struct EditorOptions {
    QString templateFile;
    QString connection;
    QList<QPair<QString, QString>> dataSets; // name, SQL
    bool help = false;
    bool version = false;
};

inline constexpr const char* EDITOR_USAGE =
    "usage: karvell-editor [TEMPLATE] [--db CONNECTION] [--dataset NAME=SQL]...\n"
    "Opens the template editor on TEMPLATE (none: an empty editor). Each --dataset is a query\n"
    "on the data source CONNECTION (an ODBC connection string, or sqlite:FILE or a SQLite\n"
    "file); its fields appear in the editor's field windows (data-set box: DataModule1.NAME).";

// Answers false with the reason in `error` for a command line that cannot be used.
bool ParseEditorOptions(const QStringList& args, EditorOptions* options, QString* error);

} // namespace karvell
