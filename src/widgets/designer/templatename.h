#pragma once
// The template's file name comes from the database (field SFormat of table Quorbex), which
// other users of a shared accounting database can change: a name is only taken when the path
// it makes stays inside the edj folder.
#include <QString>

namespace karvell {

// "edj/" + name + ".edj" below `base` (empty: relative to the current directory). Throws
// KarvellError naming the template when the name has an absolute path, a ".." component or a
// control character; subfolders are allowed.
QString TemplatePath(const QString& base, const QString& formatName);

} // namespace karvell
