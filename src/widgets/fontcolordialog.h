#pragma once
// The font dialog of the platform offers a text colour beside face, style and size; Qt's font
// dialog has none. TFontColorDialog is Qt's font dialog (embedded, without its own buttons) with
// the colour box of the platform's dialog: the sixteen basic colours, plus the starting colour
// when it is none of them. The colour is an RGB value (0x00BBGGRR).
#include <QDialog>
#include <QFont>
#include <cstdint>

class QComboBox;
class QFontDialog;

namespace karvell {

class TFontColorDialog : public QDialog {
    Q_OBJECT
public:
    explicit TFontColorDialog(QWidget* parent = nullptr);

    QFontDialog* FontPart = nullptr;
    QComboBox* ColorBox = nullptr;

    void SetCurrentFont(const QFont& font);
    QFont CurrentFont() const;
    void SetColor(uint32_t rgb);
    uint32_t Color() const;
};

} // namespace karvell
