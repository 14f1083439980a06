#include "fontcolordialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace karvell {
namespace {

struct NamedColor {
    uint32_t rgb; // 0x00BBGGRR
    const char* name;
};

// The platform font dialog's colours, in its order.
const NamedColor kColors[] = {
    {0x000000, "黑色"},   {0x000080, "褐红色"}, {0x008000, "绿色"},   {0x008080, "橄榄色"},
    {0x800000, "藏青色"}, {0x800080, "紫色"},   {0x808000, "深青色"}, {0x808080, "灰色"},
    {0xC0C0C0, "银色"},   {0x0000FF, "红色"},   {0x00FF00, "酸橙色"}, {0x00FFFF, "黄色"},
    {0xFF0000, "蓝色"},   {0xFF00FF, "紫红色"}, {0xFFFF00, "水绿色"}, {0xFFFFFF, "白色"},
};

QIcon Swatch(uint32_t rgb) {
    QPixmap pixmap(24, 14);
    pixmap.fill(QColor(int(rgb & 0xFF), int((rgb >> 8) & 0xFF), int((rgb >> 16) & 0xFF)));
    QPainter painter(&pixmap);
    painter.setPen(Qt::black);
    painter.drawRect(0, 0, 23, 13);
    return QIcon(pixmap);
}

} // namespace

TFontColorDialog::TFontColorDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FontDialog1"));
    setWindowTitle(QStringLiteral("字体"));
    auto* layout = new QVBoxLayout(this);

    FontPart = new TFontChooser(this);
    layout->addWidget(FontPart, 1);

    auto* colorRow = new QHBoxLayout;
    auto* label = new QLabel(QStringLiteral("颜色(&C)："), this);
    ColorBox = new QComboBox(this);
    ColorBox->setObjectName(QStringLiteral("ColorBox"));
    ColorBox->setIconSize(QSize(24, 14));
    for (const NamedColor& c : kColors)
        ColorBox->addItem(Swatch(c.rgb), QString::fromUtf8(c.name), QVariant(uint(c.rgb)));
    label->setBuddy(ColorBox);
    colorRow->addWidget(label);
    colorRow->addWidget(ColorBox);
    colorRow->addStretch(1);
    layout->addLayout(colorRow);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("OkButton"));
    ok->setDefault(true);
    buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("CancelButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void TFontColorDialog::SetColor(uint32_t rgb) {
    rgb &= 0x00FFFFFFu;
    int index = ColorBox->findData(QVariant(uint(rgb)));
    if (index < 0) {
        ColorBox->addItem(Swatch(rgb), QStringLiteral("自定义"), QVariant(uint(rgb)));
        index = ColorBox->count() - 1;
    }
    ColorBox->setCurrentIndex(index);
}

uint32_t TFontColorDialog::Color() const {
    return ColorBox->currentData().toUInt();
}

} // namespace karvell
