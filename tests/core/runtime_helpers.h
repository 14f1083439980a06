#pragma once
// Building templates in code and reading produced pages back, for the runtime tests.
#include <QBuffer>
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <vector>

#include "model/templatestream.h"
#include "platform/error.h"
#include "runtime/dataset.h"
#include "runtime/reportruntime.h"

namespace rtest {

// UTF-8 source text to the GBK bytes cells hold, and back.
QByteArray G(const QString& text);
QString U(const QByteArray& gbk);

struct CellSpec {
    CellSpec(const QString& t, int w = 100, const QString& f = QString())
        : text(t), width(w), format(f) {}
    QString text;
    int width;
    QString format;
};

// Lines of fixed height (a drag height; the cells use a small font so their text never asks for
// more), merged blocks, page size and margins, written as a template file.
class TemplateBuilder {
public:
    TemplateBuilder& Line(const QList<CellSpec>& cells, int height = 20);
    // Lines of `count` copies of one cell text each.
    TemplateBuilder& Lines(int count, const QString& text, int height = 20);
    // Merges cell `cell` of line `topLine` with the same cell of the lines down to `bottomLine`.
    TemplateBuilder& Merge(int topLine, int cell, int bottomLine);
    QByteArray Bytes() const;
    // Writes the template into dir and answers its path.
    QString Save(const QTemporaryDir& dir, const QString& name = QStringLiteral("t.ept")) const;

    int pageWidth = 700;
    int pageHeight = 600;
    int topMargin = 50;
    int bottomMargin = 50;

private:
    struct LineSpec {
        QList<CellSpec> cells;
        int height;
    };
    struct MergeSpec {
        int topLine, cell, bottomLine;
    };
    QList<LineSpec> m_lines;
    QList<MergeSpec> m_merges;
};

// A page read back from its stream.
struct Page {
    std::unique_ptr<karvell::TemplateData> data;
    int FooterLineIndex() const { return data->trailer.FooterLineIndex; }
    int LineCount() const { return int(data->lines.size()); }
    // The texts of a line's cells joined by "|".
    QString LineText(int line) const;
    QStringList AllLines() const;
};
Page ReadPage(QBuffer* stream);
std::vector<Page> ReadPages(const karvell::TReportRunTime& runtime);

// An open in-memory data set named `name`, with the given fields and rows.
std::unique_ptr<karvell::TDataSet> MakeDataSet(const QString& name,
                                               const QVector<karvell::FieldDef>& fields,
                                               const QVector<QVector<QVariant>>& rows,
                                               QObject* parent = nullptr);

} // namespace rtest
