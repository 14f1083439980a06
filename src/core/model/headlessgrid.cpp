#include "model/headlessgrid.h"

#include "model/editortext.h"

namespace karvell {

void THeadlessGrid::ViewDestroyEditBox() {
    m_boxOpen = false;
    m_boxText.clear();
}

void THeadlessGrid::ViewOpenEditBox(const TReportCell& cell, const QString& text) {
    m_boxOpen = true;
    m_boxText = text;
    m_boxRect = cell.TextRect;
}

void THeadlessGrid::Insert(const QString& text) {
    if (!m_boxOpen) return;
    const QString fit = EditorText::Fit(text, MAX_TEXT_BYTES - EditorText::Bytes(m_boxText));
    if (fit.isEmpty()) return;
    m_boxText += fit;
    EditBoxTextChanged();
}

void THeadlessGrid::TypeText(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        // A character beyond the Basic Multilingual Plane arrives as one key.
        const qsizetype n = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        Insert(text.mid(i, n));
        i += n - 1;
    }
}

void THeadlessGrid::PasteText(const QString& text) {
    Insert(text);
}

} // namespace karvell
