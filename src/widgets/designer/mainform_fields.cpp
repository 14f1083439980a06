// The data field catalogue of the designer's popup menu, as data: every entry's placeholder is
// its hint (the data set prefix) followed by the name between 「 and 」 of its caption, so a new
// field is one more line of the table.
#include <QAction>
#include <QMenu>

#include "commandguard.h"
#include "mainform.h"
#include "platform/gbk.h"
#include "reportcontrol.h"

namespace karvell {
namespace {

enum class Kind { Item, Separator, Submenu, EndSubmenu };

struct FieldEntry {
    Kind kind;
    const char* name;
    const char* caption;
    const char* hint;
};

constexpr const char* kMaster = "@主表.";
constexpr const char* kDetail = "#从表.";

const FieldEntry kCatalogue[] = {
    {Kind::Item, "p_field_time", "「当前时间」", kMaster},
    {Kind::Separator, nullptr, nullptr, nullptr},
    {Kind::Item, "p_field_company", "「核算单位」", kMaster},
    {Kind::Item, "p_field_date", "「日期」", kMaster},
    {Kind::Item, "p_field_serialnum", "「顺序号」", kMaster},
    {Kind::Submenu, "p_field_groupnum", "『凭证字号』", nullptr},
    {Kind::Item, "p_field_groupnum_info", "「凭证字号信息」", kMaster},
    {Kind::Item, "p_field_groupnum_group", "「凭证字」", kMaster},
    {Kind::Item, "p_field_groupnum_num", "「凭证号」", kMaster},
    {Kind::EndSubmenu, nullptr, nullptr, nullptr},
    {Kind::Submenu, "p_field_attachment", "『附单据』", nullptr},
    {Kind::Item, "p_field_attachment_info", "「附单据信息」", kMaster},
    {Kind::Item, "p_field_attachment_num", "「附单据数」", kMaster},
    {Kind::EndSubmenu, nullptr, nullptr, nullptr},
    {Kind::Submenu, "p_field_user", "『系统用户』", nullptr},
    {Kind::Item, "p_field_user_info", "「系统用户信息」", kMaster},
    {Kind::Item, "p_field_user_preparer", "「制单」", kMaster},
    {Kind::Item, "p_field_user_checker", "「复核」", kMaster},
    {Kind::Item, "p_field_user_poster", "「记账」", kMaster},
    {Kind::Item, "p_field_user_accountant", "「会计主管」", ""},
    {Kind::Item, "p_field_user_treasurer", "「出纳」", ""},
    {Kind::Item, "p_field_user_handler", "「经办」", ""},
    {Kind::EndSubmenu, nullptr, nullptr, nullptr},
    {Kind::Separator, nullptr, nullptr, nullptr},
    {Kind::Item, "p_field_exp", "「摘要」", kDetail},
    {Kind::Submenu, "p_field_acct", "『会计科目』", nullptr},
    {Kind::Item, "p_field_acct_info", "「会计科目信息」", kDetail},
    {Kind::Item, "p_field_acct_info_obj", "「会计科目信息（含核算项目）」", kDetail},
    {Kind::Item, "p_field_acct_id", "「会计科目代码」", kDetail},
    {Kind::Item, "p_field_acct_name", "「会计科目名称」", kDetail},
    {Kind::Item, "p_field_acct_unit", "「计量单位」", kDetail},
    {Kind::EndSubmenu, nullptr, nullptr, nullptr},
    {Kind::Submenu, "p_field_acctchief", "『总账科目』", nullptr},
    {Kind::Item, "p_field_acctchief_info", "「总账科目信息」", kDetail},
    {Kind::Item, "p_field_acctchief_id", "「总账科目代码」", kDetail},
    {Kind::Item, "p_field_acctchief_name", "「总账科目名称」", kDetail},
    {Kind::EndSubmenu, nullptr, nullptr, nullptr},
    {Kind::Submenu, "p_field_acctdetail", "『明细科目』", nullptr},
    {Kind::Item, "p_field_acctdetail_info", "「明细科目信息」", kDetail},
    {Kind::Item, "p_field_acctdetail_id", "「明细科目代码」", kDetail},
    {Kind::Item, "p_field_acctdetail_name", "「明细科目名称」", kDetail},
    {Kind::EndSubmenu, nullptr, nullptr, nullptr},
    {Kind::Item, "p_field_transid", "「业务编号」", kDetail},
    {Kind::Item, "p_field_price", "「单价」", kDetail},
    {Kind::Item, "p_field_qty", "「数量」", kDetail},
    {Kind::Submenu, "p_field_cy", "『币别』", nullptr},
    {Kind::Item, "p_field_cy_info", "「币别信息」", kDetail},
    {Kind::Item, "p_field_cy_id", "「币别代码」", kDetail},
    {Kind::Item, "p_field_cy_name", "「币别名称」", kDetail},
    {Kind::EndSubmenu, nullptr, nullptr, nullptr},
    {Kind::Item, "p_field_exchrate", "「汇率」", kDetail},
    {Kind::Item, "p_field_fcyamt", "「原币金额」", kDetail},
    {Kind::Item, "p_field_debit", "「借方金额」", kDetail},
    {Kind::Item, "p_field_credit", "「贷方金额」", kDetail},
    {Kind::Separator, nullptr, nullptr, nullptr},
    {Kind::Item, "p_field_avg_price", "「平均单价」", kMaster},
    {Kind::Item, "p_field_sum_qty", "「合计数量」", kMaster},
    {Kind::Item, "p_field_avg_exchrate", "「平均汇率」", kMaster},
    {Kind::Item, "p_field_sum_fcyamt", "「合计原币金额」", kMaster},
    {Kind::Item, "p_field_sum_amount", "「合计金额」", kMaster},
    {Kind::Separator, nullptr, nullptr, nullptr},
    {Kind::Item, "p_field_dx_sum_amount", "「大写合计金额」", kMaster},
};

} // namespace

void TMainForm::BuildFieldCatalogue(QMenu* popup) {
    QMenu* top = popup->addMenu(QStringLiteral("『数据库字段』"));
    top->setObjectName(QStringLiteral("p_field"));
    top->menuAction()->setObjectName(QStringLiteral("p_field_item"));
    QMenu* current = top;
    for (const FieldEntry& e : kCatalogue) {
        switch (e.kind) {
        case Kind::Separator:
            current->addSeparator();
            break;
        case Kind::Submenu:
            current = top->addMenu(QString::fromUtf8(e.caption));
            current->setObjectName(QString::fromLatin1(e.name));
            break;
        case Kind::EndSubmenu:
            current = top;
            break;
        case Kind::Item: {
            QAction* item = current->addAction(QString::fromUtf8(e.caption));
            item->setObjectName(QString::fromLatin1(e.name));
            item->setStatusTip(QString::fromUtf8(e.hint)); // the entry's hint: its prefix
            connect(item, &QAction::triggered, this, [this, item] {
                RunGuarded([this, item] {
                    ReportControlMain->History().Change([&] { InsertFieldText(item); });
                });
            });
            break;
        }
        }
    }
}

void TMainForm::InsertFieldText(const QAction* item) {
    TReportCell* cell = ReportControlMain->LastSelectedCell;
    if (!cell || !item) return;
    const QByteArray name =
        Gbk::ExtractBracketText(Gbk::Encode(item->text()), Gbk::Encode(QStringLiteral("「")),
                                Gbk::Encode(QStringLiteral("」")));
    cell->SetCellText(Gbk::Encode(item->statusTip()) + name);
    // Only a repaint: the line keeps its height until the next layout.
    ReportControlMain->update();
    FileSaved = false;
}

} // namespace karvell
