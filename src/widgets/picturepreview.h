#pragma once
// The picture-open dialog previews the picture under the cursor, as the platform's picture
// dialog does: a framed box beside the file list shows it scaled to fit, with its size.
class QFileDialog;

namespace karvell {

// Adds the preview box to a (non-native) file dialog.
void AddPicturePreview(QFileDialog& dialog);

} // namespace karvell
