#pragma once
// The formatting bar shared by the voucher designer and the template editor: font face, size,
// bold, italic, underline and the two alignment groups. It builds the LOGFONT and alignment
// values the grid's operations take, and shows a cell's formats without applying anything.
// What a change does is the owner's: it connects FontChanged and AlignClicked.
#include <QToolBar>

#include "platform/logfont.h"

class QButtonGroup;
class QComboBox;
class QToolButton;

namespace karvell {

class TReportCell;

class TFormatBar : public QToolBar {
    Q_OBJECT
public:
    explicit TFormatBar(QWidget* parent = nullptr);

    QComboBox* fontbox = nullptr;  // installed faces and the Windows names, 15 lines shown
    QComboBox* fontsize = nullptr; // editable: 8 … 72
    QToolButton* bold = nullptr;
    QToolButton* italic = nullptr;
    QToolButton* underline = nullptr;
    QToolButton* left = nullptr;
    QToolButton* center = nullptr;
    QToolButton* right = nullptr;
    QToolButton* top = nullptr;
    QToolButton* medium = nullptr;
    QToolButton* bottom = nullptr;

    // Fills the face box with the installed families and the Windows face names (sorted),
    // selects entry 1, size entry 1, then "宋体" when it is there. Sends nothing.
    void FillFontBoxes();
    // The integer at the start of the size box's text; 9 when there is none or it is not above 0.
    int SizeValue() const;
    // The LOGFONT the bar describes (face, size, bold, italic, underline).
    LOGFONTA BarLogFont() const;
    // 2 right, 1 center, 0 left, 3 when no button of the group is down; likewise vertical.
    int HorzAlignValue() const;
    int VertAlignValue() const;
    // Shows the cell's alignment, style, face (exact match, else unchanged) and point size.
    // Sends nothing.
    void ShowCell(const TReportCell& cell);

Q_SIGNALS:
    // The face or the size text changed, or bold, italic or underline was clicked.
    void FontChanged();
    // One of the six alignment buttons was clicked.
    void AlignClicked();

private:
    QToolButton* AddButton(const char* name, const char* hint, const char* accessibleName, int icon,
                           bool checkable);
    QButtonGroup* m_horz = nullptr;
    QButtonGroup* m_vert = nullptr;
};

} // namespace karvell
