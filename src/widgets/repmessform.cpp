#include "repmessform.h"

#include <QApplication>
#include <QLabel>
#include <QScreen>

namespace karvell {

namespace {
QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, const QColor& color,
                  int pixelSize, bool bold, QPoint pos, const QString& family = QString()) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    QFont font = label->font();
    if (!family.isEmpty()) font.setFamily(family);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
    label->move(pos);
    label->adjustSize();
    return label;
}
} // namespace

TREPmessform::TREPmessform(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("REPmessform"));
    setWindowTitle(QStringLiteral("提示"));
    // A dialog frame without border icons.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setModal(false);
    setFixedSize(237, 91);
    Label2 = MakeLabel(this, "Label2", QStringLiteral("正在处理："), Qt::blue, 16, true,
                       QPoint(80, 20), QStringLiteral("楷体_GB2312"));
    Label3 = MakeLabel(this, "Label3", QStringLiteral("第"), Qt::yellow, 14, false, QPoint(86, 51));
    // The runtime never numbers the pages here; the box only says that work is going on.
    Label1 = MakeLabel(this, "Label1", QString(), Qt::red, 14, true, QPoint(109, 51));
    Label4 =
        MakeLabel(this, "Label4", QStringLiteral("页"), Qt::yellow, 14, false, QPoint(133, 51));
}

void TREPmessform::ShowCentred() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    show();
    // The passes run without the message loop: paint the box now.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

} // namespace karvell
