// The runtime's entry points: PrintPreview, Preview, PageSetupAndRebuild and Design, with a
// recording user interface in place of the windows.
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "common/scoped_env.h"
#include "platform/messages.h"
#include "runtime_helpers.h"

using namespace karvell;
using namespace rtest;

namespace {

const QString kFailed = QStringLiteral("形成报表时发生错误，请检查各项参数与模板设置等是否正确");

struct PreviewCall {
    bool previewMode;
    int detailIndex;
    bool forPreview;
    QStringList firstPage; // line texts of the first page shown
    int pageCount;
    bool controlsDisabled;
};

class RecordingUi : public RuntimeUi {
public:
    RecordingUi() { RuntimeUi::SetInstance(this); }
    ~RecordingUi() override { RuntimeUi::SetInstance(nullptr); }
    void ShowProgress(TReportRunTime* rt) override {
        events << "show";
        pagesAtProgress = int(rt->PageStreams.size());
    }
    void CloseProgress(TReportRunTime*) override { events << "close"; }
    void RunPreviewWindow(TReportRunTime* rt, bool previewMode, int detailIndex,
                          bool forPreview) override {
        events << "preview";
        PreviewCall call{previewMode, detailIndex, forPreview, {}, int(rt->PageStreams.size()),
                         false};
        if (!rt->PageStreams.isEmpty()) call.firstPage = ReadPage(rt->PageStreams[0]).AllLines();
        if (watched) call.controlsDisabled = watched->ControlsDisabled() && watched->Active();
        previews << call;
    }
    bool PageSetupForFile(TReportRunTime*, const QString& fileName) override {
        events << "setup:" + QFileInfo(fileName).fileName();
        return setupAnswer;
    }
    void ShowRebuiltPages(TReportRunTime* rt) override {
        events << "rebuilt";
        rebuilt = ReadPage(rt->PageStreams[0]).AllLines();
    }
    void OpenDesigner(TReportRunTime* rt) override { events << "design:" + rt->ReportFile(); }

    QStringList events;
    QList<PreviewCall> previews;
    QStringList rebuilt;
    int pagesAtProgress = -1;
    bool setupAnswer = true;
    TDataSet* watched = nullptr;
};

struct Report {
    QTemporaryDir dir;
    QObject form;
    TDataSet* data;
    TReportRunTime* rt;
    QString file;

    Report() {
        data = MakeDataSet("Query1", {{"t", FieldKind::Other}}, {{"a"}, {"b"}}, &form).release();
        rt = new TReportRunTime(&form);
        TemplateBuilder b;
        b.Line({{QStringLiteral("头")}}).Line({{"#D.t"}}).Line({{QStringLiteral("尾")}});
        file = b.Save(dir);
        rt->SetReportFile(file);
    }
    void Rewrite(const QString& header) {
        TemplateBuilder b;
        b.Line({{header}}).Line({{"#D.t"}}).Line({{QStringLiteral("尾")}});
        b.Save(dir);
    }
};

TEST(RuntimePreview, PrintPreviewBuildsShowsAndClears) {
    RecordingUi ui;
    ScriptedMessages messages;
    Report r;
    auto other = MakeDataSet("Other", {{"t", FieldKind::Other}}, {{"z"}});
    r.rt->SetDataSet("D", other.get());
    r.rt->PrintPreview(true);
    EXPECT_EQ(ui.events, QStringList({"show", "close", "preview"}));
    EXPECT_EQ(ui.pagesAtProgress, 0); // shown between the count pass and the build pass
    ASSERT_EQ(ui.previews.size(), 1);
    EXPECT_TRUE(ui.previews[0].previewMode);
    EXPECT_EQ(ui.previews[0].detailIndex, 1);
    EXPECT_FALSE(ui.previews[0].forPreview);
    EXPECT_EQ(ui.previews[0].firstPage,
              QStringList({QStringLiteral("头"), "z", QStringLiteral("尾")}));
    EXPECT_TRUE(r.rt->PageStreams.isEmpty());
    EXPECT_TRUE(r.rt->DataSets.isEmpty());
    EXPECT_TRUE(messages.boxes.isEmpty());

    // With an empty registry the SetData lines register the data sets.
    r.rt->SetSetData({"SetDataSet(D,Query1)"});
    r.rt->FreeDataSets();
    r.rt->PrintPreview(false);
    ASSERT_EQ(ui.previews.size(), 2);
    EXPECT_FALSE(ui.previews[1].previewMode);
    EXPECT_EQ(ui.previews[1].firstPage,
              QStringList({QStringLiteral("头"), "a", "b", QStringLiteral("尾")}));
    EXPECT_TRUE(r.rt->DataSets.isEmpty());
    EXPECT_TRUE(r.data->Active()); // PrintPreview never closes data sets
}

TEST(RuntimePreview, PrintPreviewWithoutPrinterWarns) {
    RecordingUi ui;
    ScriptedMessages messages;
    Report r;
    r.rt->SetDataSet("D", r.data);
    {
        const test::ScopedEnv noPrinters("KARVELL_NO_PRINTERS", "1");
        r.rt->PrintPreview(true);
    }
    ASSERT_EQ(messages.boxes.size(), 1);
    EXPECT_EQ(messages.boxes[0].title, QStringLiteral("警告"));
    EXPECT_EQ(messages.boxes[0].text, QStringLiteral("未安装打印机"));
    EXPECT_EQ(messages.boxes[0].icon, MsgIcon::Warning);
    EXPECT_TRUE(ui.events.isEmpty());
    EXPECT_TRUE(r.rt->DataSets.isEmpty());
}

TEST(RuntimePreview, FailedExpansionIsReportedOnce) {
    RecordingUi ui;
    ScriptedMessages messages;
    Report r;
    auto noField = MakeDataSet("X", {{"other", FieldKind::Other}}, {{"1"}});
    r.rt->SetDataSet("D", noField.get());
    r.rt->PrintPreview(true);
    ASSERT_EQ(messages.boxes.size(), 1);
    EXPECT_EQ(messages.boxes[0].text, kFailed);
    EXPECT_EQ(messages.boxes[0].icon, MsgIcon::Information);
    EXPECT_EQ(messages.boxes[0].buttons, MsgButtons::Ok);
    EXPECT_EQ(ui.events, QStringList({"close"}));
    EXPECT_TRUE(r.rt->DataSets.isEmpty());
}

TEST(RuntimePreview, WithoutUserInterfaceNothingIsShown) {
    ScriptedMessages messages;
    Report r;
    r.rt->SetDataSet("D", r.data);
    r.rt->PrintPreview(true);
    EXPECT_TRUE(messages.boxes.isEmpty());
    EXPECT_TRUE(r.rt->PageStreams.isEmpty());
    EXPECT_TRUE(r.rt->DataSets.isEmpty());
}

TEST(RuntimePreview, PreviewRunsSetDataAndClosesAfterwards) {
    RecordingUi ui;
    ScriptedMessages messages;
    Report r;
    r.rt->Preview();
    ASSERT_EQ(messages.boxes.size(), 1);
    EXPECT_EQ(messages.boxes[0].text, QStringLiteral("ReportFile或SetData属性未填列，不能预览。"));
    EXPECT_EQ(messages.boxes[0].icon, MsgIcon::Information);
    EXPECT_TRUE(ui.events.isEmpty());

    r.rt->SetSetData({"SetDataSet(D,Query1)"});
    r.Rewrite(QStringLiteral("新头")); // Preview reads the template again
    ui.watched = r.data;
    r.rt->Preview();
    EXPECT_EQ(ui.events, QStringList({"preview"}));
    ASSERT_EQ(ui.previews.size(), 1);
    EXPECT_TRUE(ui.previews[0].forPreview);
    EXPECT_TRUE(ui.previews[0].previewMode);
    EXPECT_TRUE(ui.previews[0].controlsDisabled);
    EXPECT_EQ(ui.previews[0].firstPage,
              QStringList({QStringLiteral("新头"), "a", "b", QStringLiteral("尾")}));
    EXPECT_FALSE(r.data->Active());
    EXPECT_TRUE(r.rt->PageStreams.isEmpty());
}

TEST(RuntimePreview, PageSetupRebuildsFromTheFile) {
    RecordingUi ui;
    Report r;
    r.rt->SetDataSet("D", r.data);
    r.rt->BuildPages(true, 1);
    ui.setupAnswer = false;
    EXPECT_FALSE(r.rt->PageSetupAndRebuild());
    EXPECT_EQ(ui.events, QStringList({"setup:t.ept"}));
    EXPECT_EQ(r.rt->PageStreams.size(), 1);

    ui.events.clear();
    ui.setupAnswer = true;
    r.Rewrite(QStringLiteral("改"));
    EXPECT_TRUE(r.rt->PageSetupAndRebuild());
    EXPECT_EQ(ui.events, QStringList({"setup:t.ept", "show", "close", "rebuilt"}));
    EXPECT_EQ(ui.rebuilt, QStringList({QStringLiteral("改"), "a", "b", QStringLiteral("尾")}));

    ui.events.clear();
    r.rt->Design();
    EXPECT_EQ(ui.events, QStringList({"design:" + r.file}));
}

} // namespace
