#pragma once
// Pages as PNG images "page-N.png" in a folder, one pixel per document pixel. The images are
// made in a scratch folder beside them and moved into place by Finish(), so a failed run leaves
// the folder as it was.
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

#include "output/pagesink.h"

namespace karvell {

class TPngSink : public TPageSink {
public:
    // Creates the folder; throws KarvellError when it cannot be created or written.
    explicit TPngSink(const QString& dirPath);
    ~TPngSink() override;
    void AddPage(const TReportDocument& page, const QPageLayout& layout) override;
    void Finish() override;
    int PageCount() const override { return int(m_names.size()); }

private:
    QString m_dirPath;
    std::unique_ptr<QTemporaryDir> m_scratch;
    QStringList m_names;
};

} // namespace karvell
