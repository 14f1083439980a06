#pragma once
// A command never writes its output over one of its inputs. Files are compared as the system
// knows them (device and inode), so a symbolic or hard link, "./x" or another spelling of the
// same name is seen through.
#include <QString>
#include <QStringList>

namespace karvell {

// Both paths name one existing file.
bool IsSameFile(const QString& a, const QString& b);

// Throws KarvellError naming the option, the output and the input when `output` is one of
// `inputs` (empty entries are skipped). Nothing has been written at that point.
void RefuseOutputOverInput(const QString& option, const QString& output, const QStringList& inputs);

} // namespace karvell
