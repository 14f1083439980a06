#include "colorform.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "dialogbuttons.h"
#include "platform/messages.h"
#include "render/colorref.h"

namespace karvell {

TColorForm::TColorForm(QWidget* parent)
    : QDialog(parent), m_textColor(clWindowText), m_backColor(RGB(255, 255, 255)) {
    setObjectName(QStringLiteral("ColorForm"));
    setWindowTitle(QStringLiteral("颜色设置"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    Panel1 = new QLabel(QStringLiteral("颜色设置"), this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setAlignment(Qt::AlignCenter);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setAutoFillBackground(true);
    Panel1->setMinimumSize(160, 60);

    GroupBox1 = new QGroupBox(QStringLiteral("颜色设置"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    auto* groupLayout = new QHBoxLayout(GroupBox1);
    Button1 = new QPushButton(QStringLiteral("前景色"), GroupBox1);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setAutoDefault(false);
    Button2 = new QPushButton(QStringLiteral("背景色"), GroupBox1);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setAutoDefault(false);
    groupLayout->addWidget(Button1);
    groupLayout->addWidget(Button2);
    connect(Button1, &QPushButton::clicked, this, &TColorForm::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TColorForm::Button2Click);

    auto* left = new QVBoxLayout;
    left->addWidget(Panel1, 1);
    left->addWidget(GroupBox1);
    const OkCancelButtons buttons = LayOutBesideOkCancel(this, left).buttons;
    BitBtn1 = buttons.ok;
    BitBtn2 = buttons.cancel;
    ShowSample();
}

bool TColorForm::RunColorDialog1(COLORREF& target) {
    const std::optional<QVariant> answer =
        MessageService::Instance().Dialog(DialogKind::Color, QVariant(m_dialogColor));
    if (!answer) return false;
    const QColor chosen = answer->value<QColor>();
    if (!chosen.isValid()) return false;
    m_dialogColor = chosen;
    target = ColorRefFromColor(chosen);
    ShowSample();
    return true;
}

void TColorForm::Button1Click() {
    RunColorDialog1(m_textColor);
}

void TColorForm::Button2Click() {
    RunColorDialog1(m_backColor);
}

void TColorForm::ShowSample() {
    QPalette palette = Panel1->palette();
    palette.setColor(QPalette::Window, ColorFromColorRef(m_backColor));
    palette.setColor(QPalette::WindowText, ColorFromColorRef(m_textColor));
    Panel1->setPalette(palette);
}

} // namespace karvell
