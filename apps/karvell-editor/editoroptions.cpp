#include "editoroptions.h"

namespace karvell {

bool ParseEditorOptions(const QStringList& args, EditorOptions* o, QString* error) {
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const bool takesValue = a == QLatin1String("--db") || a == QLatin1String("--dataset");
        if (takesValue && i + 1 >= args.size()) {
            *error = QStringLiteral("karvell-editor: %1 needs a value").arg(a);
            return false;
        }
        if (a == QLatin1String("--db")) {
            o->connection = args[++i];
        } else if (a == QLatin1String("--dataset")) {
            const QString value = args[++i];
            const qsizetype eq = value.indexOf(u'=');
            if (eq <= 0) {
                *error = QStringLiteral("karvell-editor: --dataset needs NAME=SQL");
                return false;
            }
            o->dataSets.append({value.left(eq), value.mid(eq + 1)});
        } else if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            o->help = true;
        } else if (a == QLatin1String("--version")) {
            o->version = true;
        } else if (a.startsWith(u'-') && a != QLatin1String("-")) {
            *error = QStringLiteral("karvell-editor: unknown option '%1'").arg(a);
            return false;
        } else if (o->templateFile.isEmpty()) {
            o->templateFile = a;
        } else {
            *error = QStringLiteral("karvell-editor: more than one template given");
            return false;
        }
    }
    if (!o->dataSets.isEmpty() && o->connection.isEmpty()) {
        *error = QStringLiteral("karvell-editor: --dataset needs --db");
        return false;
    }
    return true;
}

} // namespace karvell
