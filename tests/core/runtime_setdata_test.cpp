// The runtime component: loading templates, the data-set registry, variables and the SetData
// command lines.
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "common/scoped_env.h"
#include "platform/messages.h"
#include "platform/printer.h"
#include "runtime/components.h"
#include "runtime_helpers.h"

using namespace karvell;
using namespace rtest;

namespace {

class FailingDataSet : public TDataSet {
public:
    using TDataSet::TDataSet;

protected:
    void DoOpen() override { throw KarvellError(QStringLiteral("连接失败")); }
};

// A form holding data sets (the runtime's owner) and a data module registered by name.
struct Forms {
    QObject form;
    QObject module;
    TDataSet* query1;
    TDataSet* query2;
    TDataSet* longName;
    FailingDataSet* broken;

    Forms() {
        form.setObjectName("Form1");
        module.setObjectName("DataForm");
        Components::RegisterForm(&module);
        query1 = new TDataSet(&form);
        query1->setObjectName("ADOQuery1");
        auto* label = new QObject(&form);
        label->setObjectName("Label1");
        broken = new FailingDataSet(&form);
        broken->setObjectName("Broken");
        query2 = new TDataSet(&module);
        query2->setObjectName("Query2");
        longName = new TDataSet(&module);
        longName->setObjectName(QString(255, u'x'));
    }
};

struct LineCase {
    QString line;
    QString registered; // "NAME=component" or empty
    QString variable;   // "NAME=value" or empty
};

TEST(RuntimeSetData, CommandLinesAreParsedExactly) {
    const QList<LineCase> cases = {
        {QStringLiteral("SetDataSet(主表,ADOQuery1)"), QStringLiteral("主表=ADOQuery1"), ""},
        {QStringLiteral("setdataset(主表,adoquery1)"), QStringLiteral("主表=ADOQuery1"), ""},
        {QStringLiteral("SetDataSet(主表, ADOQuery1)"), "", ""},
        {QStringLiteral("SetDataSet(主表,ADOQuery1 )"), "", ""},
        {"SetDataSet(t1,DataForm.Query2)", "T1=Query2", ""},
        {"SetDataSet(T1,dataform.QUERY2)", "T1=Query2", ""},
        {"SetDataSet(T1,NoForm.Query2)", "", ""},
        {"SetDataSet(T1,Label1)", "", ""},
        {"SetDataSet(T1,Broken)", "", ""},
        {QStringLiteral("SetDataSet(主表)"), "", ""},
        {"SetDataSet(T1,Query2)", "", ""}, // not a component of the owner
        {" SetDataSet(T1,ADOQuery1)", "", ""},
        {QStringLiteral("SETVARVALUE(Title,月报)"), "", QStringLiteral("TITLE=月报")},
        {"SetVarValue(Name,a,b)", "", "NAME=a,b"},
        {"SETVARVALUE(Name,x)y)", "", "NAME=x"},
        {"SETVARVALUE(Name)", "", ""},
        {"SETVARVALUE(Name,)", "", "NAME="},
        {"SETVARVALUE( n ,v )", "", " N =v "},
        {"SETVARVALUE(a)b,c)", "", "A)B="},
        {"SETVARVALUE", "", ""},
        {"SETVARVALUE Name,x)", "", ""},
        {"Other(a,b)", "", ""},
    };
    for (const LineCase& c : cases) {
        SCOPED_TRACE(c.line.toStdString());
        Forms forms;
        TReportRunTime rt(&forms.form);
        rt.RunSetDataLine(G(c.line), false, true);
        if (c.registered.isEmpty()) {
            EXPECT_TRUE(rt.DataSets.isEmpty());
        } else {
            const QStringList parts = c.registered.split(u'=');
            ASSERT_EQ(rt.DataSets.size(), 1);
            EXPECT_EQ(rt.DataSets[0]->ItemName, G(parts[0]));
            ASSERT_TRUE(rt.DataSets[0]->ItemDataSet);
            EXPECT_EQ(rt.DataSets[0]->ItemDataSet->objectName(), parts[1]);
            EXPECT_TRUE(rt.DataSets[0]->ItemDataSet->Active());
        }
        if (c.variable.isEmpty()) {
            EXPECT_TRUE(rt.Variables.isEmpty());
        } else {
            const qsizetype eq = c.variable.indexOf(u'=');
            ASSERT_EQ(rt.Variables.size(), 1);
            EXPECT_EQ(U(rt.Variables[0]->ItemName), c.variable.left(eq));
            EXPECT_EQ(U(rt.Variables[0]->ItemValue), c.variable.mid(eq + 1));
        }
    }
}

TEST(RuntimeSetData, OpeningDetachingAndClosing) {
    Forms forms;
    TReportRunTime rt(&forms.form);
    rt.RunSetDataLine("SetDataSet(A,ADOQuery1)", true, true);
    EXPECT_TRUE(forms.query1->Active());
    EXPECT_TRUE(forms.query1->ControlsDisabled());
    EXPECT_EQ(rt.FindDataSet("A"), forms.query1);

    // A data set that fails to open stays detached and is not registered.
    rt.RunSetDataLine("SetDataSet(B,Broken)", true, true);
    EXPECT_TRUE(forms.broken->ControlsDisabled());
    EXPECT_EQ(rt.FindDataSet("B"), nullptr);

    // Closing leaves the registry alone; SETVARVALUE does nothing then.
    rt.RunSetDataLine("SetDataSet(A,ADOQuery1)", true, false);
    rt.RunSetDataLine("SETVARVALUE(V,1)", true, false);
    EXPECT_FALSE(forms.query1->Active());
    EXPECT_EQ(rt.DataSets.size(), 1);
    EXPECT_TRUE(rt.Variables.isEmpty());
}

TEST(RuntimeSetData, RegistryAndVariablesKeepTheNewest) {
    Forms forms;
    TReportRunTime rt(&forms.form);
    rt.SetDataSet(G(QStringLiteral("主表")), forms.query1);
    rt.SetDataSet(G(QStringLiteral("主表")), forms.query2);
    rt.SetDataSet("t1", forms.query1);
    EXPECT_EQ(rt.FindDataSet(G(QStringLiteral("主表"))), forms.query2);
    EXPECT_EQ(rt.FindDataSet("T1"), forms.query1);
    EXPECT_EQ(rt.FindDataSet("t1"), nullptr); // lookups take upper-cased names
    EXPECT_EQ(rt.DataSets.size(), 3);
    rt.FreeDataSets();
    EXPECT_TRUE(rt.DataSets.isEmpty());
    EXPECT_TRUE(forms.query1 && forms.query2); // the data sets themselves stay

    rt.SetVarValue("abc", "1");
    rt.SetVarValue("ABC", "2");
    rt.SetVarValue("", "3");
    ASSERT_EQ(rt.Variables.size(), 1);
    EXPECT_EQ(rt.Variables[0]->ItemName, "ABC");
    EXPECT_EQ(rt.Variables[0]->ItemValue, "2");
}

TEST(RuntimeSetData, PropertyRunsEveryLineAndComponentPathsAreBounded) {
    Forms forms;
    TReportRunTime rt(&forms.form);
    rt.SetSetData({QStringLiteral("SetDataSet(主表,ADOQuery1)"), "SETVARVALUE(x,1)",
                   "SetDataSet(L,DataForm." + QString(255, u'x') + "yyy)"});
    EXPECT_EQ(rt.SetData().size(), 3);
    EXPECT_EQ(rt.FindDataSet(G(QStringLiteral("主表"))), forms.query1);
    EXPECT_EQ(rt.FindDataSet("L"), forms.longName);
    ASSERT_EQ(rt.Variables.size(), 1);
    EXPECT_EQ(TReportRunTime::FindDataComponent(&forms.form, "Label1")->objectName(), "Label1");
    EXPECT_EQ(TReportRunTime::FindDataComponent(&forms.form, "DataForm"), nullptr);
}

TEST(RuntimeLoad, TemplateIsReadIntoTheRuntime) {
    QTemporaryDir dir;
    TemplateBuilder b;
    b.pageHeight = 777;
    b.topMargin = 41;
    b.Line({{"a"}, {"b"}}, 30).Line({{"#D.x"}}, 25).Line({{"c"}});
    PrinterService::Instance().LockPrinterDevMode()->dmPaperSize = DMPAPER_A5;
    TReportRunTime rt;
    rt.SetReportFile(b.Save(dir));
    EXPECT_EQ(PrinterService::Instance().LockPrinterDevMode()->dmPaperSize, DMPAPER_A4);
    EXPECT_EQ(rt.PaperSize, DMPAPER_A4);
    EXPECT_EQ(rt.PageHeight, 777);
    EXPECT_EQ(rt.PageWidth, b.pageWidth);
    EXPECT_EQ(rt.TopMarginPx, 41);
    EXPECT_EQ(rt.BottomMarginPx, 50);
    EXPECT_EQ(rt.TopMargin, 13);
    ASSERT_EQ(rt.TemplateLines.size(), 3);
    EXPECT_EQ(rt.TemplateLines[0]->Cells.size(), 2);
    EXPECT_EQ(rt.TemplateLines[1]->Cells[0]->CellText, "#D.x");
    // Laid out from the top margin, line after line.
    EXPECT_EQ(rt.TemplateLines[0]->LineTop, 41);
    EXPECT_EQ(rt.TemplateLines[1]->LineTop, 71);
    EXPECT_EQ(rt.TemplateLines[2]->LineTop, 96);
    EXPECT_EQ(rt.TemplateLines[2]->Index, 2);
    EXPECT_EQ(rt.TemplateLines[0]->Cells[1]->CellLeft, 120);
    PrinterService::Instance().Reset();
}

TEST(RuntimeLoad, BadFilesKeepTheLoadedTemplate) {
    QTemporaryDir dir;
    TemplateBuilder b;
    b.Line({{"a"}}).Line({{"b"}});
    TReportRunTime rt;
    rt.SetReportFile(b.Save(dir));
    ASSERT_EQ(rt.TemplateLines.size(), 2);

    ScriptedMessages messages;
    QFile bad(dir.filePath("bad.ept"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write(QByteArray(100, '\0'));
    bad.close();
    rt.SetReportFile(bad.fileName());
    EXPECT_EQ(rt.Outcome.Notes, QStringList{QStringLiteral("打开报表错误")});
    EXPECT_TRUE(messages.boxes.isEmpty()); // the load itself shows nothing
    rt.ShowNotes();                        // the entry point does, once
    rt.ShowNotes();
    ASSERT_EQ(messages.boxes.size(), 1);
    EXPECT_EQ(messages.boxes[0].text, QStringLiteral("打开报表错误"));
    EXPECT_EQ(messages.boxes[0].title, ApplicationTitle());
    EXPECT_EQ(messages.boxes[0].icon, MsgIcon::None);
    EXPECT_EQ(rt.TemplateLines.size(), 2);

    QFile damaged(dir.filePath("damaged.ept"));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write(b.Bytes().left(120));
    damaged.close();
    EXPECT_THROW(rt.SetReportFile(damaged.fileName()), KarvellError);
    EXPECT_THROW(rt.SetReportFile(dir.filePath("missing.ept")), KarvellError);
    EXPECT_EQ(rt.TemplateLines.size(), 2);

    rt.SetReportFile(QString()); // only stored
    EXPECT_TRUE(rt.ReportFile().isEmpty());
    EXPECT_EQ(rt.TemplateLines.size(), 2);
    EXPECT_EQ(messages.boxes.size(), 1);
}

TEST(RuntimeLoad, WithoutAPrinterTheTemplateLoadsWithItsOwnPaper) {
    QTemporaryDir dir;
    TemplateBuilder b;
    b.Line({{"a"}});
    const QString file = b.Save(dir);
    TReportRunTime rt;
    {
        const test::ScopedEnv noPrinters("KARVELL_NO_PRINTERS", "1");
        EXPECT_NO_THROW(rt.SetReportFile(file));
    }
    EXPECT_EQ(rt.TemplateLines.size(), 1);
    EXPECT_EQ(rt.ReportFile(), file);
    EXPECT_EQ(rt.PaperSize, DMPAPER_A4); // the template's own, as saved
}

} // namespace
