#pragma once
// Joins PDF files written by Qt's PDF writer into one file, so that parts of a long print job can
// be painted in parallel: the pages of the first part, then those of the next, and so on. The
// objects of later parts are numbered after those of earlier ones and their page trees hang
// under the first part's page tree; page contents, fonts and images are copied byte for byte, so
// every page looks exactly as it did in its part. The result has one exact cross-reference
// table in the layout Qt writes.
//
// The parts are read and the result is written one object at a time: a run of a hundred
// thousand pages is joined without holding any whole file in memory. On the way the text layer
// gets its fixes (pdftext.h), which touch only font objects.
#include <QByteArray>
#include <QHash>
#include <QList>
#include <functional>
#include <optional>

class QIODevice;

namespace karvell {

struct PdfTextFixes {
    QHash<char16_t, char16_t> aliases; // ToUnicode entries to rewrite (PdfTextFixer::Aliases)
    bool tagSubsets = true;            // font dictionaries take their subset's tag
};

// Writes the parts (open, readable and seekable), joined and fixed, through `write` in pieces.
// Answers false, having written only part of the file, when a part does not have the
// structure Qt writes (nothing is guessed); throws KarvellError when a part cannot be read and
// whatever `write` throws.
bool WriteJoinedPdf(const QList<QIODevice*>& parts, const PdfTextFixes& fixes,
                    const std::function<void(const QByteArray&)>& write);

// The same in memory, for small files: nothing when a part does not have Qt's structure or
// is shorter than its table says.
std::optional<QByteArray> JoinPdfsInMemory(const QList<QByteArray>& parts,
                                           const PdfTextFixes& fixes);
// Joined without fixes: empty when a part does not have Qt's structure; a single part comes
// back as it is.
QByteArray JoinQtPdfs(const QList<QByteArray>& parts);

} // namespace karvell
