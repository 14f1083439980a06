// The designer's start-up: settings file, data source, template choice, the voucher printing
// at start-up for a voucher group other than "*", and the font boxes.
#include <QDir>
#include <QFile>
#include <cstdio>

#include "adoquery.h"
#include "apptermination.h"
#include "commandguard.h"
#include "formatbar.h"
#include "mainform.h"
#include "platform/error.h"
#include "platform/gbk.h"
#include "platform/messages.h"
#include "platform/printer.h"
#include "platform/profile.h"
#include "reportcontrol.h"
#include "runtime/reportruntime.h"

namespace karvell {

namespace {
const char* const kConnectionString =
    "Provider=MSDASQL.1;Password=mvbnlkjh;Persist Security Info=True;Data Source=acc_Quorbex";
const QByteArray kSection = "VchPrintSetup";
} // namespace

void TMainForm::FormCreate() {
    RunGuarded([this] { StartUp(); });
}

void TMainForm::StartUp() {
    // 1-3. The settings file, created with the defaults when missing.
    StartDir = QDir::currentPath();
    const QString iniFile = StartDir + QStringLiteral("/Quorbex.ini");
    if (!QFile::exists(QStringLiteral("Quorbex.ini"))) {
        QString error;
        if (!Profile::WriteString(iniFile, kSection, "AddSpace", "1", &error) ||
            !Profile::WriteString(iniFile, kSection, "EnableEdit", "0", &error))
            throw KarvellError(error);
    }
    AddSpaceSetting = Profile::ReadInt(iniFile, kSection, "AddSpace", 1);
    EnableEditSetting = Profile::ReadInt(iniFile, kSection, "EnableEdit", 0);
    ReadFormOffset(iniFile);

    // 4. The settings go to the runtime: only 1 turns either on.
    ReportRunTimeMain->SetAddSpace(AddSpaceSetting == 1);
    ReportRunTimeMain->SetEnableEdit(EnableEditSetting == 1);

    // 5-6. The voucher group and the template name from the first row of "Quorbex".
    const QString connection = QString::fromLatin1(kConnectionString);
    ADOQueryMain->SetConnectionString(connection);
    ADOQueryDetail->SetConnectionString(connection);
    ADOQueryMain->SetSQL({QStringLiteral("select * from Quorbex")});
    ADOQueryMain->Open();
    GroupCode = ADOQueryMain->FieldByName(QStringLiteral("SGroup")).DisplayText();
    FormatName = ADOQueryMain->FieldByName(QStringLiteral("SFormat")).DisplayText();
    ADOQueryMain->Close();
    ADOQueryMain->SetSQL({});

    // 7-8. The template into the grid, and the runtime on the same file. A file that cannot be
    // read (missing, damaged, not a template) ends the sequence with its message.
    ReportControlMain->LoadFromFile(TemplateFileName());
    ReportRunTimeMain->SetReportFile(TemplateFileName());
    ReportRunTimeMain->ShowNotes();

    // 9. Any group but "*": fill the voucher and preview it, or print it and end.
    if (GroupCode != QLatin1String("*")) {
        ADOQueryMain->SetSQL({QStringLiteral("select * from Quorbex_Main")});
        ADOQueryMain->Open();
        ADOQueryDetail->SetSQL({QStringLiteral("select * from Quorbex_Detail")});
        ADOQueryDetail->Open();
        ReportRunTimeMain->SetDataSet(Gbk::Encode(QStringLiteral("主表")), ADOQueryMain);
        ReportRunTimeMain->SetDataSet(Gbk::Encode(QStringLiteral("从表")), ADOQueryDetail);
        ADOQueryMain->DisableControls();
        const bool printDirect = m_arguments.value(0) == QLatin1String("1");
        ReportRunTimeMain->PrintDirect = printDirect;
        // Printing without a preview is a batch run: what nobody sees goes to stderr.
        if (printDirect)
            ReportRunTimeMain->OnWarning = [](const QString& warning) {
                std::fprintf(stderr, "%s\n", warning.toUtf8().constData());
            };
        ReportRunTimeMain->PrintPreview(true);
        ADOQueryMain->EnableControls();
        if (printDirect) EndDirectPrint(ReportRunTimeMain->Outcome.Incomplete);
    }

    // 10-11.
    FileSaved = true;
    ReportControlMain->History().Clear(); // the template as loaded is the saved state
    Panel1->FillFontBoxes();
}

void TMainForm::ReadFormOffset(const QString& iniFile) {
    // The form offset for pre-printed paper (套打), in millimetres right and down, when the
    // settings hold it; the file is never given these keys by the program itself. A value
    // that is not a finite number within the bound would print off the form: start-up stops
    // and names it instead.
    auto read = [&](const QByteArray& key) {
        const QByteArray text = Profile::ReadString(iniFile, kSection, key, QByteArray()).trimmed();
        if (text.isEmpty()) return 0.0;
        bool ok = false;
        const double mm = text.toDouble(&ok);
        if (!ok || !FormOffsetAllowed(mm))
            throw KarvellError(
                QStringLiteral("Quorbex.ini 的 [VchPrintSetup] %1=%2 不可用：套打偏移"
                               "须是 -%3 到 %3 之间的毫米数")
                    .arg(QString::fromLatin1(key), QString::fromUtf8(text))
                    .arg(kMaxFormOffsetMm));
        return mm;
    };
    PrinterService::Instance().SetFormOffsetMm(QPointF(read("OffsetX"), read("OffsetY")));
}

void TMainForm::EndDirectPrint(const QString& incompleteReason) {
    // The boxes have been shown as designed; a voucher not printed completely also ends the
    // program with an error and its reason, so a batch run can tell.
    if (incompleteReason.isEmpty()) {
        AppTermination::Request();
        return;
    }
    const QByteArray line = (QStringLiteral("凭证未能完整打印：") + incompleteReason).toUtf8();
    std::fprintf(stderr, "%s\n", line.constData());
    AppTermination::Request(1);
}

} // namespace karvell
