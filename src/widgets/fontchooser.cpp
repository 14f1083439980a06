#include "fontchooser.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "platform/logfont.h"

namespace karvell {
namespace {

const int kSizes[] = {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72};

QListWidget* MakeList(QWidget* parent, const char* name) {
    auto* list = new QListWidget(parent);
    list->setObjectName(QString::fromLatin1(name));
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    return list;
}

// Selects the row whose text is `text` (or none) without signals, and shows it.
void SelectRow(QListWidget* list, const QString& text) {
    const QSignalBlocker block(list);
    const QList<QListWidgetItem*> found = list->findItems(text, Qt::MatchExactly);
    list->setCurrentItem(found.isEmpty() ? nullptr : found.first());
    if (!found.isEmpty()) list->scrollToItem(found.first());
}

} // namespace

TFontChooser::TFontChooser(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("FontChooser"));
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);

    auto* faceLabel = new QLabel(QStringLiteral("字体(&F)："), this);
    FaceEdit = new QLineEdit(this);
    FaceEdit->setObjectName(QStringLiteral("FaceEdit"));
    FaceList = MakeList(this, "FaceList");
    FaceList->addItems(DialogFaceNames());
    faceLabel->setBuddy(FaceEdit);

    auto* styleLabel = new QLabel(QStringLiteral("字形(&Y)："), this);
    StyleList = MakeList(this, "StyleList");
    styleLabel->setBuddy(StyleList);

    auto* sizeLabel = new QLabel(QStringLiteral("大小(&S)："), this);
    SizeEdit = new QLineEdit(this);
    SizeEdit->setObjectName(QStringLiteral("SizeEdit"));
    SizeList = MakeList(this, "SizeList");
    for (int size : kSizes)
        SizeList->addItem(QString::number(size));
    sizeLabel->setBuddy(SizeEdit);

    grid->addWidget(faceLabel, 0, 0);
    grid->addWidget(FaceEdit, 1, 0);
    grid->addWidget(FaceList, 2, 0);
    grid->addWidget(styleLabel, 0, 1);
    grid->addWidget(StyleList, 1, 1, 2, 1);
    grid->addWidget(sizeLabel, 0, 2);
    grid->addWidget(SizeEdit, 1, 2);
    grid->addWidget(SizeList, 2, 2);
    grid->setColumnStretch(0, 3);
    grid->setColumnStretch(1, 2);
    grid->setColumnStretch(2, 1);

    auto* effects = new QGroupBox(QStringLiteral("效果"), this);
    auto* effectsLayout = new QVBoxLayout(effects);
    StrikeOutBox = new QCheckBox(QStringLiteral("删除线(&K)"), effects);
    UnderlineBox = new QCheckBox(QStringLiteral("下划线(&U)"), effects);
    effectsLayout->addWidget(StrikeOutBox);
    effectsLayout->addWidget(UnderlineBox);
    auto* sampleBox = new QGroupBox(QStringLiteral("示例"), this);
    auto* sampleLayout = new QVBoxLayout(sampleBox);
    Sample = new QLabel(QStringLiteral("微软中文软件 AaBbYyZz"), sampleBox);
    Sample->setObjectName(QStringLiteral("Sample"));
    Sample->setAlignment(Qt::AlignCenter);
    Sample->setMinimumHeight(48);
    sampleLayout->addWidget(Sample);
    grid->addWidget(effects, 3, 0);
    grid->addWidget(sampleBox, 3, 1, 1, 2);

    connect(FaceList, &QListWidget::currentTextChanged, this, [this](const QString& face) {
        if (face.isEmpty()) return;
        const QSignalBlocker block(FaceEdit);
        FaceEdit->setText(face);
        FaceChosen(face);
    });
    connect(FaceEdit, &QLineEdit::textEdited, this, [this](const QString& text) {
        SelectRow(FaceList, text);
        if (!FaceList->findItems(text, Qt::MatchExactly).isEmpty()) FaceChosen(text);
    });
    connect(SizeList, &QListWidget::currentTextChanged, this, [this](const QString& size) {
        if (size.isEmpty()) return;
        const QSignalBlocker block(SizeEdit);
        SizeEdit->setText(size);
        UpdateSample();
    });
    connect(SizeEdit, &QLineEdit::textEdited, this, [this](const QString& text) {
        SelectRow(SizeList, QString::number(LeadingSize(text)));
        UpdateSample();
    });
    connect(StyleList, &QListWidget::currentRowChanged, this, [this] { UpdateSample(); });
    connect(StrikeOutBox, &QCheckBox::toggled, this, [this] { UpdateSample(); });
    connect(UnderlineBox, &QCheckBox::toggled, this, [this] { UpdateSample(); });
}

void TFontChooser::FaceChosen(const QString& face) {
    // The style chosen so far carries over to the new face's nearest style.
    const int row = StyleList->currentRow();
    const FaceStyle before = row >= 0 && row < m_styles.size() ? m_styles[row] : FaceStyle();
    m_face = face;
    m_styles = FaceStyles(face);
    const QSignalBlocker block(StyleList);
    StyleList->clear();
    for (const FaceStyle& s : std::as_const(m_styles))
        StyleList->addItem(s.name);
    StyleList->setCurrentRow(StyleIndexFor(m_styles, before.weight, before.italic));
    UpdateSample();
}

void TFontChooser::SetChoice(const TFontChoice& choice) {
    {
        const QSignalBlocker block(FaceEdit);
        FaceEdit->setText(choice.face);
    }
    // A stored face that is neither a Windows name nor installed is still shown as the cell's.
    if (FaceList->findItems(choice.face, Qt::MatchExactly).isEmpty())
        FaceList->insertItem(0, choice.face);
    SelectRow(FaceList, choice.face);
    m_face = choice.face;
    m_styles = FaceStyles(choice.face);
    {
        const QSignalBlocker block(StyleList);
        StyleList->clear();
        for (const FaceStyle& s : std::as_const(m_styles))
            StyleList->addItem(s.name);
        StyleList->setCurrentRow(StyleIndexFor(m_styles, choice.weight, choice.italic));
    }
    {
        const QSignalBlocker block(SizeEdit);
        SizeEdit->setText(QString::number(choice.points));
    }
    SelectRow(SizeList, QString::number(choice.points));
    const QSignalBlocker strike(StrikeOutBox), under(UnderlineBox);
    StrikeOutBox->setChecked(choice.strikeOut);
    UnderlineBox->setChecked(choice.underline);
    UpdateSample();
}

TFontChoice TFontChooser::Choice() const {
    TFontChoice choice;
    choice.face = m_face;
    choice.points = LeadingSize(SizeEdit->text(), 12);
    const int row = StyleList->currentRow();
    if (row >= 0 && row < m_styles.size()) {
        choice.weight = m_styles[row].weight;
        choice.italic = m_styles[row].italic;
    }
    choice.underline = UnderlineBox->isChecked();
    choice.strikeOut = StrikeOutBox->isChecked();
    return choice;
}

void TFontChooser::UpdateSample() {
    const TFontChoice choice = Choice();
    QFont font(choice.face);
    font.setPointSize(qBound(1, choice.points, 72));
    font.setWeight(QFont::Weight(qBound(1, choice.weight, 1000)));
    font.setItalic(choice.italic);
    font.setUnderline(choice.underline);
    font.setStrikeOut(choice.strikeOut);
    Sample->setFont(font);
}

} // namespace karvell
