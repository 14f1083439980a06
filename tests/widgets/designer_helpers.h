#pragma once
// Helpers of the designer tests: the data source "acc_Quorbex" (a SQLite file behind the
// SQLite ODBC driver) shared by the whole run, and a fixture that runs each test in a working
// folder of its own with a voucher template "edj/单据.edj".
#include <QByteArray>
#include <QList>
#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <initializer_list>
#include <memory>

#include "mainform.h"
#include "platform/messages.h"
#include "runtimeui.h"

class QAction;

namespace karvell {
class TReportCell;
class TReportControl;
} // namespace karvell

namespace karvell::testutil {

// One database for the whole run, published as "acc_Quorbex" before the first ODBC connection
// of the process; tests change the row of "Quorbex" to choose group and template.
struct DesignerDatabase {
    QTemporaryDir dir;
    QString file;
    QString error;

    DesignerDatabase();
    void Exec(const QList<QByteArray>& statements);
    void Choose(const QString& group, const QString& format);
};
DesignerDatabase& Db();

class DesignerTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    QString Ini() const;
    int PdfCount() const;

    QTemporaryDir m_work;
    QString m_oldDir;
    QByteArray m_oldPdfDir;
    WidgetRuntimeUi m_ui;
    ScriptedMessages m_messages;
};

// A designer window opened on the template, for the command tests.
class DesignerFormTest : public DesignerTest {
protected:
    void SetUp() override;
    void TearDown() override;
    TReportCell* Cell(int line, int column) const;
    // Clears the selection and adds the cells in order (the last one is the current cell).
    void Select(std::initializer_list<TReportCell*> cells);
    template <class T = QAction> T* Named(const char* name) const {
        return form->findChild<T*>(QString::fromLatin1(name));
    }
    QString CellText(int line, int column) const;

    std::unique_ptr<TMainForm> form;
    TReportControl* grid = nullptr;
};

} // namespace karvell::testutil
