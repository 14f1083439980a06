#include "pellamform.h"

#include "model/templatestream.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <climits>

#include "model/reportdocument.h"
#include "platform/error.h"
#include "platform/messages.h"
#include "platform/printer.h"

namespace karvell {

namespace {

bool AllowedMarginChar(QChar c) {
    return c.isDigit() || c == u'+' || c == u'-' || c == u'.';
}

// A whole number with an optional sign; anything else (also a value beyond int) is 0.
int WholeNumber(const QString& text) {
    const QString t = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == u'+' || t[i] == u'-')) negative = t[i++] == u'-';
    if (i >= t.size()) return 0;
    long long value = 0;
    for (; i < t.size(); ++i) {
        if (!t[i].isDigit() || t[i].unicode() > u'9') return 0;
        value = value * 10 + (t[i].unicode() - u'0');
        if (value > INT_MAX) return 0;
    }
    return int(negative ? -value : value);
}

// The standard constructor's refusal, raised before anything of the dialog exists.
[[noreturn]] QWidget* RefusePlainConstruction(QWidget*) {
    throw KarvellError(QStringLiteral("不允许调用该方法"));
}

} // namespace

TMarginSpinEdit::TMarginSpinEdit(QWidget* parent) : QSpinBox(parent) {
    setRange(INT_MIN, INT_MAX);
    setSingleStep(1);
    setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    setKeyboardTracking(true);
}

int TMarginSpinEdit::Value() const {
    return WholeNumber(lineEdit()->text());
}

void TMarginSpinEdit::SetValue(int value) {
    setValue(value);
    lineEdit()->setText(QString::number(value));
}

QValidator::State TMarginSpinEdit::validate(QString& text, int&) const {
    for (const QChar c : text)
        if (!AllowedMarginChar(c)) return QValidator::Invalid;
    return QValidator::Acceptable;
}

int TMarginSpinEdit::valueFromText(const QString& text) const {
    return WholeNumber(text);
}

void TMarginSpinEdit::fixup(QString&) const {}

TPellamForm::TPellamForm(QWidget* owner) : QDialog(RefusePlainConstruction(owner)) {}

TPellamForm::TPellamForm(QWidget* owner, DesignTag) : QDialog(owner) {
    setObjectName(QStringLiteral("PellamForm"));
    setModal(true);
}

TPellamForm* TPellamForm::CreateDialog(QWidget* owner) {
    return new TPellamForm(owner, {});
}

void TPellamForm::BuildPageSetupControls() {
    setWindowTitle(QStringLiteral("页面设置"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    GroupBox1 = new QGroupBox(QStringLiteral("页面设置"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    auto* grid = new QGridLayout(GroupBox1);
    auto addRow = [&](int row, const QString& caption, QWidget* control) {
        auto* label = new QLabel(caption, GroupBox1);
        label->setBuddy(control);
        grid->addWidget(label, row, 0);
        grid->addWidget(control, row, 1);
    };
    auto makeBox = [&](const char* name) {
        auto* box = new TMarginSpinEdit(GroupBox1);
        box->setObjectName(QString::fromLatin1(name));
        box->setMinimumWidth(90);
        return box;
    };
    TopMargin = makeBox("TopMargin");
    BottomMargin = makeBox("BottomMargin");
    LeftMargin = makeBox("LeftMargin");
    RightMargin = makeBox("RightMargin");
    SpeedButton2 = new QPushButton(QStringLiteral("设置…"), GroupBox1);
    SpeedButton2->setObjectName(QStringLiteral("SpeedButton2"));
    SpeedButton2->setAutoDefault(false);
    addRow(0, QStringLiteral("  上边距："), TopMargin);
    addRow(1, QStringLiteral("  下边距："), BottomMargin);
    addRow(2, QStringLiteral("  左边距："), LeftMargin);
    addRow(3, QStringLiteral("  右边距："), RightMargin);
    addRow(4, QStringLiteral("  打印纸："), SpeedButton2);

    BitBtn1 = new QPushButton(QStringLiteral("确定"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);
    BitBtn2 = new QPushButton(QStringLiteral("取消"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setAutoDefault(false);
    UnitLabel = new QLabel(QStringLiteral("单位：毫米"), this);
    UnitLabel->setObjectName(QStringLiteral("Label5"));
    QPalette palette = UnitLabel->palette();
    palette.setColor(QPalette::WindowText, QColor(0, 0, 128)); // navy
    UnitLabel->setPalette(palette);

    auto* side = new QVBoxLayout;
    side->addWidget(BitBtn1);
    side->addWidget(BitBtn2);
    side->addStretch(1);
    side->addWidget(UnitLabel);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(GroupBox1, 1);
    layout->addLayout(side);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TPellamForm::FillMargins(const TReportDocument& document) {
    const TRect m = document.GetMargin();
    LeftMargin->SetValue(m.left);
    TopMargin->SetValue(m.top);
    RightMargin->SetValue(m.right);
    BottomMargin->SetValue(m.bottom);
}

int TPellamForm::LeftValue() const {
    return LeftMargin->Value();
}
int TPellamForm::TopValue() const {
    return TopMargin->Value();
}
int TPellamForm::RightValue() const {
    return RightMargin->Value();
}
int TPellamForm::BottomValue() const {
    return BottomMargin->Value();
}

void TPellamForm::WritePaperToPrinter(const TReportDocument& document) {
    PutPaperIntoPrinter(document);
}

bool TPellamForm::RunPrinterSetup() {
    const std::optional<QVariant> answer =
        MessageService::Instance().Dialog(DialogKind::PrinterSetup, QVariant());
    return answer && answer->toBool();
}

} // namespace karvell
