#include "fuzz_common.h"

#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>

#include "platform/logfont.h"
#include "platform/messages.h"

namespace karvell::fuzz {
namespace {

// Message boxes answer OK without a word; common dialogs are cancelled.
class SilentMessages : public MessageService {
public:
    MsgResult Show(const QString&, const QString&, MsgIcon, MsgButtons) override {
        return MsgResult::Ok;
    }
    std::optional<QVariant> Dialog(DialogKind, const QVariant&, const QString&) override {
        return std::nullopt;
    }
};

void QuietHandler(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "Qt fatal: %s\n", message.toLocal8Bit().constData());
        std::abort();
    }
}

} // namespace

void Start(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qunsetenv("KARVELL_NO_PRINTERS");
    qInstallMessageHandler(QuietHandler);
    static QGuiApplication app(*argc, *argv);
    InstallFontSubstitutions();
    static SilentMessages messages;
    MessageService::SetInstance(&messages);
}

void Finding(const char* what) {
    std::fprintf(stderr, "FINDING: %s\n", what);
    std::abort();
}

} // namespace karvell::fuzz
