#pragma once
// The font dialog of the platform offers a text colour beside face, style and size; Qt's font
// dialog has none, and lists only installed families (a cell's 宋体 would open on its
// substitute). TFontColorDialog is the face, style and size chooser with the colour box of the
// platform's dialog: the sixteen basic colours, plus the starting colour when it is none of
// them. The colour is an RGB value (0x00BBGGRR).
#include <QDialog>
#include <cstdint>

#include "fontchooser.h"

class QComboBox;

namespace karvell {

class TFontColorDialog : public QDialog {
    Q_OBJECT
public:
    explicit TFontColorDialog(QWidget* parent = nullptr);

    TFontChooser* FontPart = nullptr;
    QComboBox* ColorBox = nullptr;
    void SetColor(uint32_t rgb);
    uint32_t Color() const;
};

} // namespace karvell
