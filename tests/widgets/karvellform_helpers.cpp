#include "karvellform_helpers.h"

#include "apptermination.h"
#include "model/reportdocument.h"
#include "platform/gbk.h"
#include "reportcontrol.h"

namespace karvell::testutil {

QStringList EditorMessages::Texts() const {
    QStringList texts;
    for (const MessageRecord& r : boxes)
        texts.append(r.text);
    return texts;
}

void EditorTest::SetUp() {
    ASSERT_TRUE(dir.isValid());
    oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("config")).toLocal8Bit());
    AppTermination::Reset();
    messages = std::make_unique<EditorMessages>();
    form = std::make_unique<TKarvellForm>(nullptr, QStringList());
    form->resize(1000, 800);
}

void EditorTest::TearDown() {
    // Nothing may keep the window: its close question is answered by the test.
    form.reset();
    messages.reset();
    if (oldConfig.isEmpty())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", oldConfig);
    AppTermination::Reset();
}

QString EditorTest::MakeTemplate(const QString& name, int columns, int lines, const QString& text) {
    TReportDocument doc;
    doc.NewTable(columns, lines);
    if (!text.isEmpty()) doc.Lines[0]->Cells[0]->SetCellText(Gbk::Encode(text));
    doc.UpdateLines();
    const QString path = dir.filePath(name);
    doc.SaveToFile(path);
    return path;
}

void EditorTest::OpenWithDialog(const QString& path) {
    messages->dialogAnswers.push_back(QVariant(path));
    form->FileOpenClick();
}

QString EditorTest::Ini() const {
    return dir.filePath(QStringLiteral("config/Lunvane.ini"));
}

QString EditorTest::FirstText() const {
    const TReportControl* grid = form->ReportControl1;
    if (grid->Lines.isEmpty() || grid->Lines[0]->Cells.isEmpty()) return QString();
    return Gbk::Decode(grid->Lines[0]->Cells[0]->CellText);
}

} // namespace karvell::testutil
