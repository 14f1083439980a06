// The demo voucher's database: the template choice, one voucher and its entries. The entries
// come in balanced pairs (one debit, one credit), so the debit and credit totals agree.
#include "demo_voucher.h"

#include <algorithm>

namespace karvell::demo {

namespace {

struct Entry {
    const char* summary;
    const char* debitAccount;
    const char* creditAccount;
    double amount;
};

// Twenty transactions of a machinery maker in one month: forty voucher lines.
constexpr Entry kEntries[] = {
    {"提取现金备用", "1001 库存现金", "1002 银行存款", 5000.00},
    {"采购圆钢入库", "1403 原材料—圆钢", "2202 应付账款—华北钢铁", 86400.00},
    {"支付前欠货款", "2202 应付账款—华北钢铁", "1002 银行存款", 50000.00},
    {"销售CK6140车床一台", "1122 应收账款—东方机电", "6001 主营业务收入", 128000.00},
    {"收回东方机电货款", "1002 银行存款", "1122 应收账款—东方机电", 64000.00},
    {"王强报销差旅费", "6602 管理费用—差旅费", "1001 库存现金", 2356.50},
    {"支付本月电费", "5101 制造费用—电费", "1002 银行存款", 18732.40},
    {"车间领用原材料", "5001 生产成本—车床", "1403 原材料—圆钢", 42150.00},
    {"计提本月工资", "5001 生产成本—工资", "2211 应付职工薪酬", 96500.00},
    {"发放上月工资", "2211 应付职工薪酬", "1002 银行存款", 91880.00},
    {"购买办公用品", "6602 管理费用—办公费", "1001 库存现金", 865.00},
    {"支付展会广告费", "6601 销售费用—广告费", "1002 银行存款", 12000.00},
    {"计提本月折旧", "5101 制造费用—折旧费", "1602 累计折旧", 23415.75},
    {"缴纳上月增值税", "2221 应交税费—增值税", "1002 银行存款", 14637.20},
    {"支付短期借款利息", "6603 财务费用—利息", "1002 银行存款", 4125.00},
    {"收到股东投资款", "1002 银行存款", "4001 实收资本", 500000.00},
    {"购入数控铣床", "1601 固定资产", "1002 银行存款", 236000.00},
    {"结转销售成本", "6401 主营业务成本", "1405 库存商品", 89600.00},
    {"预付江南铸造材料款", "1123 预付账款—江南铸造", "1002 银行存款", 30000.00},
    {"支付产品运输费", "6601 销售费用—运输费", "1002 银行存款", 3280.00},
};
static_assert(sizeof(kEntries) / sizeof(kEntries[0]) * 2 == kDetailRows);

QString Quote(const QString& text) {
    QString t = text;
    t.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + t + QLatin1Char('\'');
}

QString Amount(double value) {
    return QString::number(value, 'f', 2);
}

QString Cents(qint64 cents) {
    return QString::asprintf("%lld.%02lld", cents / 100, cents % 100);
}

// A small fixed pseudo-random sequence: the month is the same on every run.
class Sequence {
public:
    quint32 Next(quint32 bound) {
        m_state = m_state * 1103515245u + 12345u;
        return (m_state >> 8) % bound;
    }

private:
    quint32 m_state = 20240301;
};

// The month's vouchers: per voucher some debit lines, then credit lines that share their sum,
// so every voucher balances.
void MonthStatements(QStringList& sql) {
    sql << QStringLiteral("create table Month_Main (凭证号 varchar(20), 日期 varchar(20), "
                          "单位名称 varchar(60), 附件数 integer, 制单 varchar(20), "
                          "复核 varchar(20), 记账 varchar(20))");
    sql << QStringLiteral("create table Month_Detail (凭证号 varchar(20), 序号 integer, "
                          "摘要 varchar(60), 科目 varchar(60), 借方金额 numeric(18,2), "
                          "贷方金额 numeric(18,2))");
    const char* const clerks[] = {"王丽", "赵敏", "孙涛"};
    constexpr int entryCount = int(sizeof(kEntries) / sizeof(kEntries[0]));
    Sequence random;
    for (int v = 0; v < kMonthVouchers; ++v) {
        const QString number = QStringLiteral("记-%1").arg(v + 1, 4, 10, QLatin1Char('0'));
        sql << QStringLiteral("insert into Month_Main values ('%1', '2024年03月%2日', "
                              "'华东精密机械有限公司', %3, '%4', '陈建国', '李明')")
                   .arg(number)
                   .arg(1 + v / 2, 2, 10, QLatin1Char('0'))
                   .arg(random.Next(15))
                   .arg(QString::fromUtf8(clerks[v % 3]));
        const int lines = kMonthMinLines + int(random.Next(kMonthMaxLines - kMonthMinLines + 1));
        const int debits = std::max(1, lines / 2);
        const int credits = lines - debits;
        const Entry& entry = kEntries[random.Next(entryCount)];
        const QString summary = Quote(QString::fromUtf8(entry.summary));
        qint64 total = 0;
        int row = 0;
        auto insert = [&](const char* account, const QString& debit, const QString& credit) {
            sql << QStringLiteral("insert into Month_Detail values ('%1', %2, %3, %4, %5, %6)")
                       .arg(number)
                       .arg(++row)
                       .arg(summary, Quote(QString::fromUtf8(account)), debit, credit);
        };
        for (int i = 0; i < debits; ++i) {
            const qint64 cents = 100 + qint64(random.Next(2000000)) * (1 + random.Next(20));
            total += cents;
            insert(kEntries[(v + i) % entryCount].debitAccount, Cents(cents),
                   QStringLiteral("null"));
        }
        qint64 left = total;
        for (int i = 0; i < credits; ++i) {
            const qint64 cents = i == credits - 1 ? left : left / (credits - i) + random.Next(100);
            left -= cents;
            insert(kEntries[(v + i) % entryCount].creditAccount, QStringLiteral("null"),
                   Cents(cents));
        }
    }
}

} // namespace

QStringList DatabaseStatements(const QString& group) {
    QStringList sql;
    for (const char* table :
         {"Quorbex", "Quorbex_Main", "Quorbex_Detail", "Month_Main", "Month_Detail"})
        sql << QStringLiteral("drop table if exists %1").arg(QLatin1String(table));

    sql << QStringLiteral("create table Quorbex (SGroup varchar(10), SFormat varchar(60))");
    sql << QStringLiteral("insert into Quorbex (SGroup, SFormat) values (%1, %2)")
               .arg(Quote(group), Quote(QString::fromUtf8(kFormatName)));

    sql << QStringLiteral("create table Quorbex_Main (凭证号 varchar(20), 日期 varchar(20), "
                          "单位名称 varchar(60), 附件数 integer, 制单 varchar(20), "
                          "复核 varchar(20), 记账 varchar(20))");
    sql << QStringLiteral("insert into Quorbex_Main values ('记-0087', '2024年03月31日', "
                          "'华东精密机械有限公司', 12, '王丽', '陈建国', '李明')");

    sql << QStringLiteral("create table Quorbex_Detail (序号 integer, 摘要 varchar(60), "
                          "科目 varchar(60), 借方金额 numeric(18,2), 贷方金额 numeric(18,2))");
    int row = 0;
    for (const Entry& e : kEntries) {
        const QString summary = QString::fromUtf8(e.summary);
        sql << QStringLiteral("insert into Quorbex_Detail values (%1, %2, %3, %4, null)")
                   .arg(++row)
                   .arg(Quote(summary), Quote(QString::fromUtf8(e.debitAccount)), Amount(e.amount));
        sql << QStringLiteral("insert into Quorbex_Detail values (%1, %2, %3, null, %4)")
                   .arg(++row)
                   .arg(Quote(summary), Quote(QString::fromUtf8(e.creditAccount)),
                        Amount(e.amount));
    }
    MonthStatements(sql);
    return sql;
}

} // namespace karvell::demo
