#pragma once
// The XML parts of an OFD file checked against the format's schemas (data/ofd-xsd, carried by
// the program as resources) with libxml2, as `karvell verify` re-reads archived documents.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>

namespace karvell::cli {

class OfdSchemas {
public:
    // Throws KarvellError when the schemas cannot be loaded.
    OfdSchemas();
    ~OfdSchemas();
    OfdSchemas(const OfdSchemas&) = delete;
    OfdSchemas& operator=(const OfdSchemas&) = delete;

    // Faults of every XML part of the package (its part name and the first error of each);
    // empty when every part validates or the file is no ZIP (CheckOfdPackage says so).
    QStringList Check(const QByteArray& ofd) const;

private:
    struct Loaded;
    std::unique_ptr<Loaded> m;
};

} // namespace karvell::cli
