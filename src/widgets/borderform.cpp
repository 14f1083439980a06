#include "borderform.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "dialogbuttons.h"

namespace karvell {
namespace {

constexpr int kMinWidth = 1;
constexpr int kMaxWidth = 2;

int InRange(int value) {
    return std::clamp(value, kMinWidth, kMaxWidth);
}

// A whole number (optional sign, digits only), else 1; brought into range.
int WidthFromText(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok ? InRange(value) : kMinWidth;
}

} // namespace

TBorderSpinEdit::TBorderSpinEdit(QWidget* parent) : QSpinBox(parent) {
    setRange(kMinWidth, kMaxWidth);
    setValue(kMinWidth);
    setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
}

int TBorderSpinEdit::Value() const {
    return WidthFromText(lineEdit()->text());
}

void TBorderSpinEdit::SetValue(int value) {
    setValue(InRange(value));
    lineEdit()->setText(QString::number(InRange(value)));
}

QValidator::State TBorderSpinEdit::validate(QString& text, int&) const {
    // Anything may be typed; leaving the box brings it into range.
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok && value >= kMinWidth && value <= kMaxWidth ? QValidator::Acceptable
                                                          : QValidator::Intermediate;
}

int TBorderSpinEdit::valueFromText(const QString& text) const {
    return WidthFromText(text);
}

void TBorderSpinEdit::fixup(QString& text) const {
    text = QString::number(WidthFromText(text));
}

TBorderForm::TBorderForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("BorderForm"));
    setWindowTitle(QStringLiteral("边框线"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    GroupBox1 = new QGroupBox(QStringLiteral("边框线"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    auto* grid = new QGridLayout(GroupBox1);
    struct Row {
        QCheckBox*& box;
        const char* name;
        const char* caption;
        TBorderSpinEdit*& width;
        const char* widthName;
    };
    const Row rows[] = {
        {TopLine, "TopLine", "上边线：", SpinEdit2, "SpinEdit2"},
        {BottomLine, "BottomLine", "下边线：", SpinEdit4, "SpinEdit4"},
        {LeftLine, "LeftLine", "左边线：", SpinEdit1, "SpinEdit1"},
        {RightLine, "RightLine", "右边线：", SpinEdit3, "SpinEdit3"},
    };
    QWidget* previous = nullptr;
    int r = 0;
    for (const Row& row : rows) {
        row.box = new QCheckBox(QString::fromUtf8(row.caption), GroupBox1);
        row.box->setObjectName(QString::fromLatin1(row.name));
        row.box->setChecked(true);
        row.width = new TBorderSpinEdit(GroupBox1);
        row.width->setObjectName(QString::fromLatin1(row.widthName));
        row.width->setMinimumWidth(60);
        grid->addWidget(row.box, r, 0);
        grid->addWidget(row.width, r, 1);
        // Keyboard order: each side's box, then its width, top to bottom.
        if (previous) setTabOrder(previous, row.box);
        setTabOrder(row.box, row.width);
        previous = row.width;
        ++r;
    }

    SpeedButton1 = new QPushButton(QStringLiteral("添加全部"), this);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setAutoDefault(false);
    SpeedButton1->setFocusPolicy(Qt::NoFocus);
    SpeedButton2 = new QPushButton(QStringLiteral("取消全部"), this);
    SpeedButton2->setObjectName(QStringLiteral("SpeedButton2"));
    SpeedButton2->setAutoDefault(false);
    SpeedButton2->setFocusPolicy(Qt::NoFocus);
    connect(SpeedButton1, &QPushButton::clicked, this, &TBorderForm::SpeedButton1Click);
    connect(SpeedButton2, &QPushButton::clicked, this, &TBorderForm::SpeedButton2Click);

    const OkCancelColumn side = LayOutBesideOkCancel(this, GroupBox1);
    BitBtn1 = side.buttons.ok;
    BitBtn2 = side.buttons.cancel;
    side.column->addWidget(SpeedButton1);
    side.column->addWidget(SpeedButton2);
    setTabOrder(previous, BitBtn1);
    setTabOrder(BitBtn1, BitBtn2);
}

void TBorderForm::SetValues(const BorderValues& v) {
    LeftLine->setChecked(v.left);
    TopLine->setChecked(v.top);
    RightLine->setChecked(v.right);
    BottomLine->setChecked(v.bottom);
    SpinEdit1->SetValue(v.leftWidth);
    SpinEdit2->SetValue(v.topWidth);
    SpinEdit3->SetValue(v.rightWidth);
    SpinEdit4->SetValue(v.bottomWidth);
}

BorderValues TBorderForm::Values() const {
    BorderValues v;
    v.left = LeftLine->isChecked();
    v.top = TopLine->isChecked();
    v.right = RightLine->isChecked();
    v.bottom = BottomLine->isChecked();
    v.leftWidth = SpinEdit1->Value();
    v.topWidth = SpinEdit2->Value();
    v.rightWidth = SpinEdit3->Value();
    v.bottomWidth = SpinEdit4->Value();
    return v;
}

void TBorderForm::SpeedButton1Click() {
    for (QCheckBox* box : {TopLine, BottomLine, LeftLine, RightLine})
        box->setChecked(true);
}

void TBorderForm::SpeedButton2Click() {
    for (QCheckBox* box : {TopLine, BottomLine, LeftLine, RightLine})
        box->setChecked(false);
}

} // namespace karvell
