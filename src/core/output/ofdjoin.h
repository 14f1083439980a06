#pragma once
// Joins OFD documents karvell wrote (the parts of a batch printed with --shard) into one, in
// order, without painting the pages again: every page's Content.xml as its part has it, with
// its objects numbered after those of the parts before, and each part's fonts and pictures
// kept as resources of their own. The joined document shows what the whole batch's shows,
// character for character and line for line. Parts are read a page at a time and the pages
// kept in a temporary file, so a long period is joined without holding it in memory.
#include <QString>
#include <memory>

#include "output/ofdpackage.h"

namespace karvell {

class AtomicFile;
class TPageSpool;

class OfdJoin {
public:
    OfdJoin();
    ~OfdJoin();
    OfdJoin(const OfdJoin&) = delete;
    OfdJoin& operator=(const OfdJoin&) = delete;

    // Appends the part's pages; throws KarvellError naming a part that cannot be read or that
    // karvell did not write.
    void Add(const QString& part);
    int PageCount() const { return int(m_package.pages.size()); }
    // Writes the joined document into `file` and commits it; throws KarvellError.
    void Save(AtomicFile& file, const OfdInfo& info) const;

private:
    OfdPackage m_package;
    std::unique_ptr<TPageSpool> m_pages; // the pages' XML, renumbered and deflated
};

} // namespace karvell
