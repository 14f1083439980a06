#pragma once
// Helpers of the template editor tests: a fresh editor with its own configuration folder and
// scripted boxes, templates on disk, and the boxes and dialogs the editor showed.
#include <QTemporaryDir>
#include <QVariant>
#include <gtest/gtest.h>
#include <memory>

#include "editor/karvellform.h"
#include "platform/messages.h"

namespace karvell::testutil {

// Records the starting value and filter of every common dialog as well.
class EditorMessages : public ScriptedMessages {
public:
    std::optional<QVariant> Dialog(DialogKind kind, const QVariant& initial,
                                   const QString& filter) override {
        initials.append(initial);
        filters.append(filter);
        return ScriptedMessages::Dialog(kind, initial, filter);
    }
    QList<QVariant> initials;
    QStringList filters;
    QStringList Texts() const;
};

class EditorTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // A template of `columns` × `lines` cells; the first cell holds `text`.
    QString MakeTemplate(const QString& name, int columns = 3, int lines = 2,
                         const QString& text = QString());
    // Opens a template as the open dialog does.
    void OpenWithDialog(const QString& path);
    QString Ini() const;
    QString FirstText() const;

    QTemporaryDir dir;
    QByteArray oldConfig;
    std::unique_ptr<EditorMessages> messages;
    std::unique_ptr<TKarvellForm> form;
};

} // namespace karvell::testutil
