#pragma once
// Qt's own texts (the buttons and labels of its file, colour and font dialogs and message
// boxes) in Chinese, as the rest of the user interface: loads Qt's Simplified Chinese
// translation (Debian package qt6-translations-l10n) into the application.
class QCoreApplication;

namespace karvell {

// Answers false when the translation is not installed (Qt then speaks English).
bool InstallQtTranslations(QCoreApplication& app);

} // namespace karvell
