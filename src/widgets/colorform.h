#pragma once
// The colour dialog "颜色设置": a sample showing the text colour on the background, and one
// colour dialog for both. It starts with white and the symbolic window-text colour, which it
// hands back unchanged when "前景色" was never used. It is not filled from the cell.
#include <QColor>
#include <QDialog>

#include "model/reportcell.h"

class QGroupBox;
class QLabel;
class QPushButton;

namespace karvell {

class TColorForm : public QDialog {
    Q_OBJECT
public:
    explicit TColorForm(QWidget* parent = nullptr);

    QLabel* Panel1 = nullptr; // the sample, captioned "颜色设置"
    QGroupBox* GroupBox1 = nullptr;
    QPushButton* Button1 = nullptr; // "前景色"
    QPushButton* Button2 = nullptr; // "背景色"
    QPushButton* BitBtn1 = nullptr; // "确定"
    QPushButton* BitBtn2 = nullptr; // "取消"

    // The results: the sample's text colour and its background (stored colour values).
    COLORREF ForeColor() const { return m_textColor; }
    COLORREF BackColor() const { return m_backColor; }

    void Button1Click(); // "前景色": the colour dialog for the text colour
    void Button2Click(); // "背景色": the colour dialog for the background

private:
    // ColorDialog1: opens on the colour last chosen in it while this dialog is open.
    bool RunColorDialog1(COLORREF& target);
    void ShowSample();

    COLORREF m_textColor;
    COLORREF m_backColor;
    QColor m_dialogColor = Qt::black;
};

} // namespace karvell
