#include "formatbar.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFontDatabase>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QToolButton>
#include <algorithm>

#include "designicons.h"
#include "model/reportcell.h"

namespace karvell {

TFormatBar::TFormatBar(QWidget* parent) : QToolBar(parent) {
    setObjectName(QStringLiteral("Panel1"));
    setMovable(false);
    setIconSize(QSize(16, 16));

    fontbox = new QComboBox(this);
    fontbox->setObjectName(QStringLiteral("fontbox"));
    fontbox->setToolTip(QStringLiteral("字体"));
    fontbox->setAccessibleName(QStringLiteral("字体"));
    fontbox->setMaxVisibleItems(15);
    // A list of 15 lines when open, not a popup over the whole screen as some styles make it.
    fontbox->setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
    fontbox->setMinimumContentsLength(14);
    fontbox->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    addWidget(fontbox);
    fontsize = new QComboBox(this);
    fontsize->setObjectName(QStringLiteral("fontsize"));
    fontsize->setToolTip(QStringLiteral("字号"));
    fontsize->setAccessibleName(QStringLiteral("字号"));
    fontsize->setEditable(true);
    fontsize->setInsertPolicy(QComboBox::NoInsert);
    fontsize->setMinimumContentsLength(4);
    for (const char* size : {"8", "9", "10", "11", "12", "14", "16", "18", "20", "22", "24", "26",
                             "28", "36", "48", "72"})
        fontsize->addItem(QString::fromLatin1(size));
    fontsize->setCurrentIndex(-1);
    addWidget(fontsize);
    addSeparator();

    using I = DesignIcon;
    bold = AddButton("bold", "加粗", "加粗", int(I::Bold), true);
    italic = AddButton("italic", "倾斜", "倾斜", int(I::Italic), true);
    underline = AddButton("underline", "下划线", "下划线", int(I::Underline), true);
    addSeparator();
    left = AddButton("left", "左对齐", "左对齐", int(I::AlignLeft), true);
    center = AddButton("center", "居中对齐", "水平居中", int(I::AlignCenter), true);
    right = AddButton("right", "右对齐", "右对齐", int(I::AlignRight), true);
    addSeparator();
    top = AddButton("top", "顶对齐", "顶端对齐", int(I::AlignTop), true);
    medium = AddButton("medium", "居中对齐", "垂直居中", int(I::AlignMiddle), true);
    bottom = AddButton("bottom", "底对齐", "底端对齐", int(I::AlignBottom), true);

    // Each style button may be up or down on its own; each alignment group has one down once
    // any of its buttons was pressed (none at first).
    m_horz = new QButtonGroup(this);
    m_horz->setExclusive(true);
    for (QToolButton* b : {left, center, right})
        m_horz->addButton(b);
    m_vert = new QButtonGroup(this);
    m_vert->setExclusive(true);
    for (QToolButton* b : {top, medium, bottom})
        m_vert->addButton(b);

    connect(fontbox, &QComboBox::currentIndexChanged, this, [this] { Q_EMIT FontChanged(); });
    connect(fontsize, &QComboBox::currentTextChanged, this, [this] { Q_EMIT FontChanged(); });
    // Once typing is done the box shows the size that was applied ("20" for "+20"), as a
    // picked entry would; the value is the same, so nothing is applied again.
    connect(fontsize->lineEdit(), &QLineEdit::editingFinished, this, [this] {
        const QString applied = QString::number(SizeValue());
        if (fontsize->currentText() == applied) return;
        const QSignalBlocker block(fontsize);
        fontsize->setEditText(applied);
    });
    for (QToolButton* b : {bold, italic, underline})
        connect(b, &QToolButton::clicked, this, [this] { Q_EMIT FontChanged(); });
    for (QToolButton* b : {left, center, right, top, medium, bottom})
        connect(b, &QToolButton::clicked, this, [this] { Q_EMIT AlignClicked(); });
}

QToolButton* TFormatBar::AddButton(const char* name, const char* hint, const char* accessibleName,
                                   int icon, bool checkable) {
    auto* button = new QToolButton(this);
    button->setObjectName(QString::fromLatin1(name));
    button->setToolTip(QString::fromUtf8(hint));
    // Screen readers need a name; the two centring buttons share their hint, not their name.
    button->setAccessibleName(QString::fromUtf8(accessibleName));
    button->setIcon(MakeDesignIcon(DesignIcon(icon)));
    button->setCheckable(checkable);
    button->setAutoRaise(true);
    addWidget(button);
    return button;
}

void TFormatBar::FillFontBoxes() {
    const QSignalBlocker blockFaces(fontbox);
    const QSignalBlocker blockSizes(fontsize);
    QStringList names = QFontDatabase::families();
    for (const QString& face : WindowsFaceNames())
        if (!names.contains(face)) names.append(face);
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    fontbox->clear();
    fontbox->addItems(names);
    fontbox->setCurrentIndex(fontbox->count() > 1 ? 1 : fontbox->count() - 1);
    fontsize->setCurrentIndex(1);
    const int song = fontbox->findText(QStringLiteral("宋体"), Qt::MatchExactly);
    if (song >= 0) fontbox->setCurrentIndex(song);
}

int TFormatBar::SizeValue() const {
    return LeadingSize(fontsize->currentText());
}

LOGFONTA TFormatBar::BarLogFont() const {
    return karvell::BarLogFont(fontbox->currentText(), SizeValue(), bold->isChecked(),
                               italic->isChecked(), underline->isChecked());
}

int TFormatBar::HorzAlignValue() const {
    if (right->isChecked()) return 2;
    if (center->isChecked()) return 1;
    if (left->isChecked()) return 0;
    return 3;
}

int TFormatBar::VertAlignValue() const {
    if (bottom->isChecked()) return 2;
    if (medium->isChecked()) return 1;
    if (top->isChecked()) return 0;
    return 3;
}

void TFormatBar::ShowCell(const TReportCell& cell) {
    const QSignalBlocker blockFaces(fontbox);
    const QSignalBlocker blockSizes(fontsize);
    QToolButton* const horz[] = {left, center, right};
    QToolButton* const vert[] = {top, medium, bottom};
    if (cell.HorzAlign >= 0 && cell.HorzAlign <= 2) horz[cell.HorzAlign]->setChecked(true);
    if (cell.VertAlign >= 0 && cell.VertAlign <= 2) vert[cell.VertAlign]->setChecked(true);
    italic->setChecked(cell.LogFont.lfItalic == 1);
    underline->setChecked(cell.LogFont.lfUnderline == 1);
    bold->setChecked(cell.LogFont.lfWeight == 700);
    const int face =
        fontbox->findText(FaceName(cell.LogFont), Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (face >= 0) fontbox->setCurrentIndex(face);
    fontsize->setEditText(QString::number(PointSizeOf(cell.LogFont)));
}

} // namespace karvell
