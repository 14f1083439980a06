#pragma once
// The 32 × 32 pictures of the preview's tool bar, drawn in code.
#include <QIcon>

namespace karvell {

enum class PreviewIcon {
    PrintSetup,
    Print,
    FitSize,
    OriginalSize,
    ZoomIn,
    ZoomOut,
    First,
    Prior,
    Next,
    Last,
    InsertRow,
    AddRow,
    DeleteRow,
    Exit,
    Export
};

QIcon MakePreviewIcon(PreviewIcon kind);

} // namespace karvell
