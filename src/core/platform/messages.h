#pragma once
// The one service through which every message box and common dialog of the program goes.
// The widgets layer installs a service that shows real dialogs; command-line tools install one
// that writes to stderr; tests install a ScriptedMessages that records each box and answers it.
#include <QColor>
#include <QList>
#include <QString>
#include <QVariant>
#include <deque>
#include <optional>

#include "platform/logfont.h"

namespace karvell {

enum class MsgIcon { None, Information, Warning, Question, Error };
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MsgResult { Ok, Cancel, Yes, No };

// The common dialogs of the design.
enum class DialogKind { Font, Color, OpenFile, SaveFile, OpenPicture, PrinterSetup };

struct MessageRecord {
    QString title;
    QString text;
    MsgIcon icon = MsgIcon::None;
    MsgButtons buttons = MsgButtons::Ok;
};

class MessageService {
public:
    virtual ~MessageService() = default;
    virtual MsgResult Show(const QString& title, const QString& text, MsgIcon icon,
                           MsgButtons buttons) = 0;
    // A common dialog. `initial` is the starting value (LOGFONTA as QByteArray of 60 bytes for
    // Font, or for a font dialog with a colour choice a QVariantMap with "font" (those bytes)
    // and "color" (a COLORREF as uint), answered by a map of the same form; QColor for Color, a
    // file name for files, or for files a QVariantMap with "file", "title" and "defaultSuffix",
    // and "askType" true when the answer is to be a map of "file" and "type" (the index of the
    // filter chosen); nothing for PrinterSetup); `filter` is a Windows filter string
    // "desc|pattern|…" for file dialogs. Answers the chosen value, or nothing when the user
    // cancelled (PrinterSetup answers true on confirm).
    virtual std::optional<QVariant> Dialog(DialogKind kind, const QVariant& initial,
                                           const QString& filter = QString()) = 0;

    static MessageService& Instance();
    // Installs a service (not owned); nullptr restores the default stderr service.
    static void SetInstance(MessageService* service);
};

// Convenience calls used throughout the program.
MsgResult ShowMessage(const QString& title, const QString& text, MsgIcon icon = MsgIcon::None,
                      MsgButtons buttons = MsgButtons::Ok);
// The application's standard error display: the platform's message, error icon, OK.
void ShowError(const QString& text);
// The caption of the application (its title), used by plain information boxes.
QString ApplicationTitle();
void SetApplicationTitle(const QString& title);

// Writes each box to stderr ("title: text") and answers OK/Yes; dialogs are cancelled.
class StderrMessages : public MessageService {
public:
    MsgResult Show(const QString& title, const QString& text, MsgIcon icon,
                   MsgButtons buttons) override;
    std::optional<QVariant> Dialog(DialogKind kind, const QVariant& initial,
                                   const QString& filter) override;
};

// For tests: records every box and dialog; answers from queues, else OK / Yes / cancelled.
// Installs itself on construction and restores the previous service on destruction.
class ScriptedMessages : public MessageService {
public:
    ScriptedMessages();
    ~ScriptedMessages() override;
    MsgResult Show(const QString& title, const QString& text, MsgIcon icon,
                   MsgButtons buttons) override;
    std::optional<QVariant> Dialog(DialogKind kind, const QVariant& initial,
                                   const QString& filter) override;

    QList<MessageRecord> boxes;
    QList<DialogKind> dialogs;
    QList<QVariant> dialogInitials; // the starting value each dialog was given
    QList<QString> dialogFilters;
    std::deque<MsgResult> answers;
    std::deque<std::optional<QVariant>> dialogAnswers;

private:
    MessageService* m_previous = nullptr;
};

} // namespace karvell
