#pragma once
// Where a data set of the command line comes from: "csv:FILE", "json:FILE" or an SQL query on
// the connection. File data sets are checked against the fields the template uses, so a
// missing column is named with its file before anything is printed.
#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>

#include "runtime/dataset.h"
#include "runtime/reportruntime.h"

namespace karvell::cli {

// Opens the data set `name` from `source`; errors throw KarvellError naming the data set and
// the file or data source.
std::unique_ptr<TDataSet> OpenDataSource(QObject* owner, const QString& name, const QString& source,
                                         const QString& connection);
// True for "csv:FILE" and "json:FILE".
bool IsFileSource(const QString& source);
// The file a file source reads (for the output-over-input check); empty for a query.
QString SourceFile(const QString& source);
// For a file data set: throws naming the file, line or object and field when a field of
// `fields` is missing. Query data sets report missing fields themselves when printed.
void RequireFields(const TDataSet& dataSet, const QStringList& fields);
// A voucher batch's master or detail rows (data set `name`, 主表 or 从表): opened from
// `source` and checked for the key field and the fields the template uses.
std::unique_ptr<TDataSet> OpenVoucherRows(QObject* owner, const TReportRunTime& runtime,
                                          const QString& name, const QString& source,
                                          const QString& connection, const QString& keyField);

} // namespace karvell::cli
