#include "celleditbox.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextOption>

#include "compositionguard.h"
#include "model/editortext.h"
#include "model/reportcell.h"

namespace karvell {

TCellEditBox::TCellEditBox(QWidget* parent) : QPlainTextEdit(parent) {
    setObjectName(QStringLiteral("CellEditBox"));
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setContentsMargins(0, 0, 0, 0);
    setViewportMargins(0, 0, 0, 0);
    document()->setDocumentMargin(0);
    setAutoFillBackground(true);
    setAttribute(Qt::WA_InputMethodEnabled, true);
    InstallCompositionGuard();
    connect(document(), &QTextDocument::contentsChange, this, &TCellEditBox::OnContentsChange);
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_loading) Q_EMIT Edited();
    });
}

void TCellEditBox::Setup(const QFont& font, const QColor& text, const QColor& fill, int horzAlign,
                         const QString& content) {
    setFont(font);
    document()->setDefaultFont(font);
    QPalette pal = palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        pal.setColor(group, QPalette::Base, fill);
        pal.setColor(group, QPalette::Window, fill);
        pal.setColor(group, QPalette::Text, text);
    }
    setPalette(pal);
    viewport()->setPalette(pal);
    QTextOption option = document()->defaultTextOption();
    option.setAlignment(horzAlign == 1   ? Qt::AlignHCenter
                        : horzAlign == 2 ? Qt::AlignRight
                                         : Qt::AlignLeft);
    document()->setDefaultTextOption(option);
    m_loading = true;
    setPlainText(content);
    m_loading = false;
    moveCursor(QTextCursor::End);
}

void TCellEditBox::OnContentsChange(int position, int /*removed*/, int added) {
    if (m_loading || m_fixing || added <= 0) return;
    QTextCursor cursor(document());
    const int end = std::min(position + added, document()->characterCount() - 1);
    if (end <= position) return;
    cursor.setPosition(position);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    QString inserted = cursor.selectedText();
    const int othersBytes = EditorText::Bytes(toPlainText()) - EditorText::Bytes(inserted);
    const QString fit = EditorText::Fit(inserted, MAX_TEXT_BYTES - othersBytes);
    inserted.replace(QChar(0x2029), u'\n').replace(QChar(0x2028), u'\n');
    if (fit == inserted) return;
    // What the cell cannot hold never stays in the box, and the user is told what it was.
    Q_EMIT Refused(EditorText::Refusal(inserted, MAX_TEXT_BYTES - othersBytes));
    m_fixing = true;
    cursor.insertText(fit);
    m_fixing = false;
}

} // namespace karvell
