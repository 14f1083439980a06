#pragma once
// The demo voucher: a 记账凭证 (general-ledger voucher) template built with the document model,
// and the SQL that creates its database tables "Quorbex", "Quorbex_Main" and "Quorbex_Detail"
// (portable between SQLite and PostgreSQL).
#include <QString>
#include <QStringList>

namespace karvell {

class TReportDocument;

namespace demo {

inline constexpr const char* kFormatName = "记账凭证";
inline constexpr const char* kGroupCode = "01";
inline constexpr int kDetailRows = 40;
// A month of vouchers for `karvell batch`: tables Month_Main and Month_Detail (key 凭证号),
// each voucher with 3 to 40 balanced lines.
inline constexpr int kMonthVouchers = 60;
inline constexpr int kMonthMinLines = 3;
inline constexpr int kMonthMaxLines = 40;

// Builds the voucher template into an empty document.
void BuildVoucherTemplate(TReportDocument& document);
// The statements that (re)create and fill the tables (the voucher's three and the month's two), one
// statement per entry, without a terminating ";". `group` is the voucher group stored in "Quorbex".
QStringList DatabaseStatements(const QString& group = QString::fromUtf8(kGroupCode));

} // namespace demo
} // namespace karvell
