// The message service: scripted answers and records, and the standard error display.
#include <gtest/gtest.h>

#include "platform/messages.h"

using namespace karvell;

TEST(Messages, ScriptedRecordsAndAnswers) {
    MessageService* before = &MessageService::Instance();
    {
        ScriptedMessages script;
        EXPECT_EQ(&MessageService::Instance(), &script);
        script.answers = {MsgResult::No, MsgResult::Cancel};
        EXPECT_EQ(ShowMessage("提示", "保存吗？", MsgIcon::Question, MsgButtons::YesNoCancel),
                  MsgResult::No);
        EXPECT_EQ(ShowMessage("注意", "b", MsgIcon::Question, MsgButtons::OkCancel),
                  MsgResult::Cancel);
        // With the queue empty: the positive answer of the buttons shown.
        EXPECT_EQ(ShowMessage("a", "b", MsgIcon::None, MsgButtons::YesNo), MsgResult::Yes);
        EXPECT_EQ(ShowMessage("警告", "未安装打印机", MsgIcon::Warning), MsgResult::Ok);
        ASSERT_EQ(script.boxes.size(), 4);
        EXPECT_EQ(script.boxes[0].title, QStringLiteral("提示"));
        EXPECT_EQ(script.boxes[0].text, QStringLiteral("保存吗？"));
        EXPECT_EQ(script.boxes[0].icon, MsgIcon::Question);
        EXPECT_EQ(script.boxes[0].buttons, MsgButtons::YesNoCancel);
        EXPECT_EQ(script.boxes[3].icon, MsgIcon::Warning);
        EXPECT_EQ(script.boxes[3].buttons, MsgButtons::Ok);

        script.dialogAnswers = {QVariant(QColor(Qt::red))};
        auto color = MessageService::Instance().Dialog(DialogKind::Color, QColor(Qt::black));
        ASSERT_TRUE(color.has_value());
        EXPECT_EQ(color->value<QColor>(), QColor(Qt::red));
        EXPECT_FALSE(MessageService::Instance().Dialog(DialogKind::OpenFile, QString(), "a|*.a"));
        EXPECT_EQ(script.dialogs, (QList<DialogKind>{DialogKind::Color, DialogKind::OpenFile}));

        {
            ScriptedMessages inner;
            ShowError("inner");
            EXPECT_EQ(inner.boxes.size(), 1);
        }
        EXPECT_EQ(&MessageService::Instance(), &script);
    }
    EXPECT_EQ(&MessageService::Instance(), before);
}

TEST(Messages, ShowErrorUsesTheApplicationTitle) {
    ScriptedMessages script;
    SetApplicationTitle("凭证设计");
    ShowError("磁盘已满");
    SetApplicationTitle("");
    ShowError("x");
    ASSERT_EQ(script.boxes.size(), 2);
    EXPECT_EQ(script.boxes[0].title, QStringLiteral("凭证设计"));
    EXPECT_EQ(script.boxes[0].text, QStringLiteral("磁盘已满"));
    EXPECT_EQ(script.boxes[0].icon, MsgIcon::Error);
    EXPECT_EQ(script.boxes[0].buttons, MsgButtons::Ok);
    EXPECT_EQ(script.boxes[1].title, QString());
}

TEST(Messages, StderrServiceAnswersPositively) {
    StderrMessages s;
    testing::internal::CaptureStderr();
    EXPECT_EQ(s.Show("标题", "正文", MsgIcon::Warning, MsgButtons::YesNoCancel), MsgResult::Yes);
    EXPECT_EQ(s.Show("t", "x", MsgIcon::None, MsgButtons::OkCancel), MsgResult::Ok);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "标题: 正文\nt: x\n");
    EXPECT_FALSE(s.Dialog(DialogKind::Font, QVariant(), QString()).has_value());
}
