// The grid window's in-place edit box over the edited cell's text rectangle.
#include "celleditbox.h"
#include "platform/logfont.h"
#include "render/paintcell.h"
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
}

void TReportControl::ViewOpenEditBox(const TReportCell& cell, const QString& text) {
    ViewDestroyEditBox();
    auto* box = new TCellEditBox(this);
    m_editBox = box;
    box->Setup(FontFromLogFont(cell.LogFont), FromColorRef(cell.TextColor),
               FromColorRef(cell.BackGroundColor), cell.HorzAlign, text);
    box->setGeometry(cell.TextRect.ToQRect());
    connect(box, &TCellEditBox::Edited, this, [this] { EditBoxTextChanged(); });
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
