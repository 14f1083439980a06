#pragma once
// A report grid without a window: the document with an edit box that is only text, for the
// batch tool and the tests. Typing and pasting go through the same text rules and the same live
// update as the grid window's box.
#include <QString>

#include "model/reportdocument.h"

namespace karvell {

class THeadlessGrid : public TReportDocument {
public:
    // Types the text at the end of the box, one character after the other, each a change of the
    // box; characters the box does not take are dropped.
    void TypeText(const QString& text);
    // Inserts the text at the end of the box in one change, cut as the box cuts it.
    void PasteText(const QString& text);

    const QString& BoxText() const { return m_boxText; }
    bool BoxOpen() const { return m_boxOpen; }
    // Where the box lies (the edited cell's TextRect when it was opened or last moved).
    const TRect& BoxRect() const { return m_boxRect; }
    // How many change notifications the document sent.
    int ChangeCount() const { return m_changes; }

protected:
    bool ViewEditBoxVisible() const override { return m_boxOpen; }
    void ViewDestroyEditBox() override;
    void ViewOpenEditBox(const TReportCell& cell, const QString& text) override;
    QString ViewEditBoxText() const override { return m_boxText; }
    void ViewMoveEditBox(const TRect& textRect) override { m_boxRect = textRect; }
    void ViewChanged() override { ++m_changes; }

private:
    void Insert(const QString& text);

    QString m_boxText;
    bool m_boxOpen = false;
    TRect m_boxRect;
    int m_changes = 0;
};

} // namespace karvell
