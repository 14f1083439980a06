#pragma once
// Joins PDF files written by Qt's PDF writer into one file, so that parts of a long print job can
// be painted in parallel: the pages of the first part, then those of the next, and so on. The
// objects of later parts are numbered after those of earlier ones and their page trees hang
// under the first part's page tree; page contents, fonts and images are copied byte for byte, so
// every page looks exactly as it did in its part. The result has one exact cross-reference
// table in the layout Qt writes.
#include <QByteArray>
#include <QList>

namespace karvell {

// Empty when a part does not have the structure Qt writes (nothing is guessed).
QByteArray JoinQtPdfs(const QList<QByteArray>& parts);

} // namespace karvell
