#include "datasource.h"

#include "adoquery.h"
#include "filedataset.h"
#include "runtime/templatefields.h"

namespace karvell::cli {

bool IsFileSource(const QString& source) {
    return TFileDataSet::IsFileSource(source);
}

QString SourceFile(const QString& source) {
    TFileDataSet::Format format;
    QString file;
    return TFileDataSet::ParseSource(source, &format, &file) ? file : QString();
}

std::unique_ptr<TDataSet> OpenDataSource(QObject* owner, const QString& name, const QString& source,
                                         const QString& connection) {
    TFileDataSet::Format format;
    QString file;
    if (TFileDataSet::ParseSource(source, &format, &file)) {
        auto data = std::make_unique<TFileDataSet>(owner);
        data->setObjectName(name);
        data->SetSource(format, file);
        data->Open(); // errors name the file, the line and the field
        return data;
    }
    auto query = std::make_unique<TADOQuery>(owner);
    query->setObjectName(name);
    query->SetConnectionString(connection);
    query->SetSQL({source});
    query->Open(); // errors name the data set and the data source
    return query;
}

void RequireFields(const TDataSet& dataSet, const QStringList& fields) {
    if (const auto* file = qobject_cast<const TFileDataSet*>(&dataSet)) file->RequireFields(fields);
}

std::unique_ptr<TDataSet> OpenVoucherRows(QObject* owner, const TReportRunTime& runtime,
                                          const QString& name, const QString& source,
                                          const QString& connection, const QString& keyField) {
    auto data = OpenDataSource(owner, name, source, connection);
    RequireFields(*data, QStringList{keyField} + TemplateFields(runtime, name));
    return data;
}

} // namespace karvell::cli
