#pragma once
// Joins spreadsheets karvell wrote (the parts of a batch printed with --shard: a worksheet per
// voucher) into one workbook, in order, without laying the vouchers out again. Each part's
// cell formats are appended to the workbook's and its worksheets' cells point at them; its
// pictures are renumbered after the parts before. A sheet is kept as its part wrote it
// otherwise: cells, merged ranges, rows, columns, page set-up. Sheets go to a temporary file,
// so a long period is joined without holding it in memory.
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

namespace karvell {

class AtomicFile;
class TPageSpool;

class XlsxJoin {
public:
    XlsxJoin();
    ~XlsxJoin();
    XlsxJoin(const XlsxJoin&) = delete;
    XlsxJoin& operator=(const XlsxJoin&) = delete;

    // Appends the part's worksheets; throws KarvellError naming a part that cannot be read or
    // that karvell did not write.
    void Add(const QString& part);
    int SheetCount() const { return int(m_sheets.size()); }
    // Writes the joined workbook, titled `title`, into `file` and commits it; throws
    // KarvellError.
    void Save(AtomicFile& file, const QString& title) const;

private:
    struct Sheet {
        QString name;
        qint64 size = 0; // of the rewritten XML, kept deflated in m_spool
        quint32 crc = 0;
        QByteArray rels; // its relationships (a drawing), empty when it has none
    };
    struct Named {
        QString path; // in the package
        QByteArray bytes;
    };

    QByteArray m_first; // the first part's styles.xml: the workbook's, with all formats
    QList<QByteArray> m_numFmts, m_fonts, m_fills, m_borders, m_xfs;
    QByteArray m_workbook, m_app, m_core, m_rootRels, m_theme;
    QStringList m_contentTypes; // the parts' Default content types: "extension\ntype"
    std::vector<Sheet> m_sheets;
    std::vector<Named> m_drawings, m_drawingRels, m_media;
    QHash<QByteArray, QString> m_mediaNames; // a picture's file name by its content
    std::unique_ptr<TPageSpool> m_spool;
};

} // namespace karvell
