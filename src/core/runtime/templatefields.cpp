#include "runtime/templatefields.h"

#include "platform/gbk.h"
#include "runtime/reportruntime.h"

namespace karvell {

QStringList TemplateFields(const TReportRunTime& runtime, const QString& name) {
    const QByteArray upper = Gbk::Upper(Gbk::Encode(name));
    QStringList fields;
    for (const TReportLine* line : std::as_const(runtime.TemplateLines)) {
        for (const TReportCell* cell : line->Cells) {
            if (TReportRunTime::PlaceholderDataSetName(cell->CellText) != upper) continue;
            const QString field =
                Gbk::Decode(TReportRunTime::PlaceholderFieldName(cell->CellText)).trimmed();
            if (!field.isEmpty() && !fields.contains(field, Qt::CaseInsensitive)) fields << field;
        }
    }
    return fields;
}

QStringList MissingDataSets(const TReportRunTime& runtime) {
    QStringList missing;
    for (const TReportLine* line : std::as_const(runtime.TemplateLines)) {
        for (const TReportCell* cell : line->Cells) {
            const QByteArray name = TReportRunTime::PlaceholderDataSetName(cell->CellText);
            if (name.isEmpty() || runtime.FindDataSet(name)) continue;
            const QString shown = Gbk::Decode(cell->CellText.mid(1).split('.').first()).trimmed();
            if (!missing.contains(shown)) missing.append(shown);
        }
    }
    return missing;
}

} // namespace karvell
