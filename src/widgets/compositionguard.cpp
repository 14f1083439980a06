#include "compositionguard.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QPointer>

namespace karvell {
namespace {

class Guard : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
        case QEvent::InputMethod:
            return InputMethod(static_cast<QInputMethodEvent*>(event));
        case QEvent::KeyPress:
        case QEvent::FocusOut:
        case QEvent::FocusIn:
        case QEvent::MouseButtonPress:
            // The user went on after the cancel: a commit of the cancelled text now is stale.
            if (!cancelled.isEmpty()) armed = true;
            break;
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    }

    bool InputMethod(const QInputMethodEvent* e) {
        const QString commit = e->commitString();
        if (!commit.isEmpty() && armed && commit == cancelled && e->preeditString().isEmpty()) {
            cancelled.clear();
            armed = false;
            return true; // dropped: the user cancelled this composition
        }
        if (!e->preeditString().isEmpty()) {
            preedit = e->preeditString();
            cancelled.clear();
            armed = false;
        } else if (commit.isEmpty() && e->replacementLength() == 0) {
            // The preedit went away with nothing committed: the composition was cancelled.
            if (!preedit.isEmpty()) cancelled = preedit;
            preedit.clear();
            armed = false;
        } else {
            preedit.clear();
            cancelled.clear();
            armed = false;
        }
        return false;
    }

    QString preedit;
    QString cancelled;
    bool armed = false;
};

QPointer<Guard>& Instance() {
    static QPointer<Guard> guard;
    return guard;
}

} // namespace

void InstallCompositionGuard() {
    if (Instance() || !qApp) return;
    auto* guard = new Guard;
    guard->setParent(qApp);
    qApp->installEventFilter(guard);
    Instance() = guard;
}

namespace CompositionGuard {
QString Cancelled() {
    return Instance() ? Instance()->cancelled : QString();
}
bool Armed() {
    return Instance() && Instance()->armed;
}
} // namespace CompositionGuard

} // namespace karvell
