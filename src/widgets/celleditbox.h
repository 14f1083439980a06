#pragma once
// The grid's in-place edit box: a frameless multi-line plain-text edit lying over a cell's text
// rectangle, in the cell's font and colours. It takes only what the cell can store (GBK
// characters, 3000 bytes counting each line break as CR LF), from the keyboard, an input method
// or the clipboard alike, and tells the grid after every change of its text.
#include <QPlainTextEdit>

namespace karvell {

class TCellEditBox : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TCellEditBox(QWidget* parent);

    // Font, text colour, fill colour, horizontal alignment (0 left, 1 centre, 2 right) and the
    // text, without a change notification; the caret goes to the end.
    void Setup(const QFont& font, const QColor& text, const QColor& fill, int horzAlign,
               const QString& content);

Q_SIGNALS:
    void Edited();
    // Something typed, composed or pasted was not taken: the reason, for the status bar.
    void Refused(const QString& reason);

private:
    void OnContentsChange(int position, int removed, int added);

    bool m_loading = false;
    bool m_fixing = false;
};

} // namespace karvell
