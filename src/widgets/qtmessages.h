#pragma once
// The message service of the windowed programs: real message boxes and common dialogs.
#include <QString>

#include "platform/messages.h"

namespace karvell {

// Shows every box as a QMessageBox (Chinese button captions, as the platform shows them) and
// every common dialog as the matching Qt dialog. Install it with MessageService::SetInstance.
class QtMessages : public MessageService {
public:
    MsgResult Show(const QString& title, const QString& text, MsgIcon icon,
                   MsgButtons buttons) override;
    std::optional<QVariant> Dialog(DialogKind kind, const QVariant& initial,
                                   const QString& filter) override;
};

// A Windows filter string "desc|pattern|desc2|pattern2" as a Qt name filter list
// "desc (pattern);;desc2 (pattern2)"; the ';' between patterns becomes a blank.
QString QtFileFilter(const QString& windowsFilter);

} // namespace karvell
