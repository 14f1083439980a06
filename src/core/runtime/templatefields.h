#pragma once
// What a loaded template asks of its data sets, so a program can check the data it registers
// before expanding: a placeholder whose data set or field is missing would otherwise show up
// only as pages that cannot be laid out or a failed run.
#include <QString>
#include <QStringList>

namespace karvell {

class TReportRunTime;

// The fields the template's placeholders (@NAME.field, #NAME.field) take from data set `name`,
// in the order they first appear (letter case as written).
QStringList TemplateFields(const TReportRunTime& runtime, const QString& name);
// The data sets the placeholders name that are not registered, as written.
QStringList MissingDataSets(const TReportRunTime& runtime);

} // namespace karvell
