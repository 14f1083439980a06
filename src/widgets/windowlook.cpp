#include "windowlook.h"

#include <QApplication>
#include <QBoxLayout>
#include <QDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QPointer>
#include <QSpacerItem>
#include <QWindow>
#include <algorithm>

namespace karvell {
namespace {

// Room for the window icon, the close button and the frame beside the caption.
constexpr int kTitleBarExtra = 110;

bool IsSecondary(const QWidget* w) {
    if (!w->isWindow()) return false;
    const Qt::WindowType type = w->windowType();
    return qobject_cast<const QDialog*>(w) || type == Qt::Dialog || type == Qt::Tool;
}

// At least `width` wide, whatever the window's layout does with its size.
void EnsureWidth(QWidget* w, int width) {
    QLayout* layout = w->layout();
    if (auto* grid = qobject_cast<QGridLayout*>(layout)) {
        // Message boxes size themselves from their grid's minimum width.
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
                      grid->rowCount(), 0, 1, std::max(1, grid->columnCount()));
    } else if (auto* box = qobject_cast<QBoxLayout*>(layout)) {
        if (box->direction() == QBoxLayout::TopToBottom ||
            box->direction() == QBoxLayout::BottomToTop) {
            box->addStrut(width);
        } else {
            const int missing = width - box->sizeHint().width();
            if (missing > 0) box->addSpacing(missing);
        }
    }
    w->setMinimumWidth(std::max(w->minimumWidth(), width));
}

class Look : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Polish && watched->isWidgetType()) {
            auto* w = static_cast<QWidget*>(watched);
            if (IsSecondary(w) && !w->property("karvellLook").toBool()) {
                w->setProperty("karvellLook", true);
                // The window is made but not shown yet: its flags are set without re-creating
                // it (which setWindowFlags would do, hiding it). Without CustomizeWindowHint a
                // window manager offers every button.
                Qt::WindowFlags flags = w->windowFlags();
                flags &= ~(Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                           Qt::WindowContextHelpButtonHint);
                flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
                w->overrideWindowFlags(flags);
                if (QWindow* handle = w->windowHandle()) handle->setFlags(flags);
                // Tool windows keep their size (they stand in rows) and show their name inside.
                if (!w->windowTitle().isEmpty() && w->windowType() != Qt::Tool)
                    EnsureWidth(w, CaptionWidth(w, w->windowTitle()));
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

QPointer<Look>& Instance() {
    static QPointer<Look> look;
    return look;
}

} // namespace

void InstallWindowLook() {
    if (Instance() || !qApp) return;
    auto* look = new Look;
    look->setParent(qApp);
    qApp->installEventFilter(look);
    Instance() = look;
}

int CaptionWidth(const QWidget* window, const QString& caption) {
    const QFont titleFont = QApplication::font("QMdiSubWindowTitleBar");
    const int text = std::max(QFontMetrics(titleFont).horizontalAdvance(caption),
                              window->fontMetrics().horizontalAdvance(caption));
    return text + kTitleBarExtra;
}

} // namespace karvell
