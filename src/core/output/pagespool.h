#pragma once
// Produced pages kept in a temporary file instead of memory. A headless run of a hundred
// thousand pages spools them as the expansion makes them and the page writer reads them back
// one at a time, so memory does not grow with the page count. The OFD and spreadsheet sinks
// keep what they make of each page (its XML, its cells) the same way. The file goes with the
// spool.
#include <QByteArray>
#include <memory>
#include <vector>

class QTemporaryFile;

namespace karvell {

class TPageSpool {
public:
    // Creates the file in the temporary folder; throws KarvellError when it cannot.
    TPageSpool();
    ~TPageSpool();
    TPageSpool(const TPageSpool&) = delete;
    TPageSpool& operator=(const TPageSpool&) = delete;

    // Appends a page's stream; throws KarvellError when the file cannot take it (a full disk).
    void Append(const QByteArray& page);
    int Count() const { return int(m_ends.size()); }
    // The stream of page `index` (0-based); throws KarvellError when it cannot be read back.
    QByteArray Page(int index) const;

private:
    std::unique_ptr<QTemporaryFile> m_file;
    std::vector<qint64> m_ends; // where each page's stream ends in the file
};

} // namespace karvell
