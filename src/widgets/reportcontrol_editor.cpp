// The grid window's in-place edit box over the edited cell's text rectangle.
#include "celleditbox.h"
#include "platform/logfont.h"
#include "render/colorref.h"
#include "reportcontrol.h"

namespace karvell {

QPlainTextEdit* TReportControl::EditBox() const {
    return m_editBox.data();
}

bool TReportControl::ViewEditBoxVisible() const {
    return m_editBox && !m_editBox->isHidden();
}

void TReportControl::ViewDestroyEditBox() {
    if (!m_editBox) return;
    TCellEditBox* box = m_editBox;
    m_editBox = nullptr;
    box->clearFocus();
    box->hide();
    // The box may be in the middle of its own notification: it goes when that has returned.
    box->disconnect(this);
    box->deleteLater();
    if (m_designKeys && box->hasFocus()) setFocus(Qt::OtherFocusReason);
    // One undo step for the whole time the box was open.
    if (m_typing) {
        m_typing = false;
        m_history.End();
    }
}

void TReportControl::ViewOpenEditBox(const TReportCell& cell, const QString& text) {
    ViewDestroyEditBox();
    auto* box = new TCellEditBox(this);
    m_editBox = box;
    box->Setup(FontFromLogFont(cell.LogFont), ColorFromColorRef(cell.TextColor),
               ColorFromColorRef(cell.BackGroundColor), cell.HorzAlign, text);
    box->setGeometry(cell.TextRect.ToQRect());
    connect(box, &TCellEditBox::Edited, this, [this] { EditBoxTextChanged(); });
    connect(box, &TCellEditBox::Refused, this, &TReportControl::TextRefused);
    m_editOriginal = cell.CellText;
    if (m_designKeys) {
        box->installEventFilter(this); // Escape restores the text the box opened with
        m_history.Begin();
        m_typing = true;
    }
    box->show();
    box->setFocus(Qt::MouseFocusReason);
}

QString TReportControl::ViewEditBoxText() const {
    return m_editBox ? m_editBox->toPlainText() : QString();
}

void TReportControl::ViewMoveEditBox(const TRect& textRect) {
    if (m_editBox) m_editBox->setGeometry(textRect.ToQRect());
}

void TReportControl::ViewChanged() {
    Q_EMIT Changed();
}

} // namespace karvell
