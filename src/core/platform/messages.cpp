#include "platform/messages.h"

#include <QCoreApplication>
#include <cstdio>

namespace karvell {
namespace {

MessageService* g_installed = nullptr;

struct Title {
    QString text;
    bool set = false;
};

Title& TitleStorage() {
    static Title title;
    return title;
}

MsgResult PositiveAnswer(MsgButtons buttons) {
    return (buttons == MsgButtons::YesNo || buttons == MsgButtons::YesNoCancel) ? MsgResult::Yes
                                                                                : MsgResult::Ok;
}

} // namespace

MessageService& MessageService::Instance() {
    static StderrMessages fallback;
    return g_installed ? *g_installed : fallback;
}

void MessageService::SetInstance(MessageService* service) {
    g_installed = service;
}

MsgResult ShowMessage(const QString& title, const QString& text, MsgIcon icon, MsgButtons buttons) {
    return MessageService::Instance().Show(title, text, icon, buttons);
}

void ShowError(const QString& text) {
    MessageService::Instance().Show(ApplicationTitle(), text, MsgIcon::Error, MsgButtons::Ok);
}

QString ApplicationTitle() {
    const Title& title = TitleStorage();
    // Until the program names itself, its title is the executable's name.
    if (!title.set) return QCoreApplication::applicationName();
    return title.text;
}

void SetApplicationTitle(const QString& title) {
    TitleStorage() = Title{title, true};
}

MsgResult StderrMessages::Show(const QString& title, const QString& text, MsgIcon,
                               MsgButtons buttons) {
    const QByteArray line = (title + QStringLiteral(": ") + text + u'\n').toUtf8();
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fflush(stderr);
    return PositiveAnswer(buttons);
}

std::optional<QVariant> StderrMessages::Dialog(DialogKind, const QVariant&, const QString&) {
    return std::nullopt;
}

ScriptedMessages::ScriptedMessages() : m_previous(g_installed) {
    SetInstance(this);
}

ScriptedMessages::~ScriptedMessages() {
    SetInstance(m_previous);
}

MsgResult ScriptedMessages::Show(const QString& title, const QString& text, MsgIcon icon,
                                 MsgButtons buttons) {
    boxes.append(MessageRecord{title, text, icon, buttons});
    if (answers.empty()) return PositiveAnswer(buttons);
    const MsgResult answer = answers.front();
    answers.pop_front();
    return answer;
}

std::optional<QVariant> ScriptedMessages::Dialog(DialogKind kind, const QVariant& initial,
                                                 const QString& filter) {
    dialogs.append(kind);
    dialogInitials.append(initial);
    dialogFilters.append(filter);
    if (dialogAnswers.empty()) return std::nullopt;
    std::optional<QVariant> answer = dialogAnswers.front();
    dialogAnswers.pop_front();
    return answer;
}

} // namespace karvell
