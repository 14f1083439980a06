#pragma once
// Pictures of the template editor's tool bar that neither the designer nor the preview has
// (24 × 24), drawn in code.
#include <QIcon>

namespace karvell {

enum class EditorIcon { Open, Close, NewTable, Preview, AddCell, InsertCell, DeleteCell, Diagonal };

QIcon MakeEditorIcon(EditorIcon kind);

} // namespace karvell
