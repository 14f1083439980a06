#pragma once
// Pictures of the designer's tool bar (32 × 32) and formatting bar (16 × 16), drawn in code.
#include <QIcon>

namespace karvell {

enum class DesignIcon {
    Save,
    Split,
    Combine,
    Font,
    Border,
    Color,
    ImageAdd,
    ImageDelete,
    Bold,
    Italic,
    Underline,
    AlignLeft,
    AlignCenter,
    AlignRight,
    AlignTop,
    AlignMiddle,
    AlignBottom
};

QIcon MakeDesignIcon(DesignIcon kind);

} // namespace karvell
