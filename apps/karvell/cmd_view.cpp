// karvell view: shows a template in the report grid inside a scrolling window.
#include <QApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>

#include "command.h"
#include "reportcontrol.h"

namespace karvell::cli {
namespace {

int RunView(const QStringList& args) {
    if (args.size() != 1 || args[0].startsWith(u'-')) {
        PrintError(QStringLiteral("usage: karvell view TEMPLATE"));
        return 1;
    }
    QScrollArea window;
    auto* grid = new TReportControl;
    window.setWidget(grid); // owned by the window from here, also when the load throws
    grid->LoadFromFile(args[0]);
    window.setBackgroundRole(QPalette::Dark);
    window.setWindowTitle(QStringLiteral("%1 - karvell").arg(QFileInfo(args[0]).fileName()));
    QSize size = grid->size() + QSize(24, 24);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableSize() * 9 / 10);
    window.resize(size);
    window.show();
    return QApplication::exec();
}

} // namespace

KARVELL_COMMAND(QStringLiteral("view"), QStringLiteral("view TEMPLATE"),
                QStringLiteral("show the template in the report grid in a window"), RunView, true);

} // namespace karvell::cli
