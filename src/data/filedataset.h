#pragma once
// Data sets read from files instead of a database: CSV (UTF-8, RFC 4180, the first record the
// field names) and JSON (an array of flat objects). Values keep the text the file gives:
// numbers stay their digits (exact, as the database values do), a column whose values all read
// as numbers is a numeric column. Opening reads the whole file; any fault throws KarvellError
// naming the file, the line (or the object's index) and the field.
#include <QString>
#include <QStringList>

#include "runtime/dataset.h"

namespace karvell {

class TFileDataSet : public TDataSet {
    Q_OBJECT
public:
    enum class Format { Csv, Json };

    explicit TFileDataSet(QObject* parent = nullptr);

    // "csv:FILE" or "json:FILE" (the prefix ignores letter case); false for anything else.
    static bool ParseSource(const QString& text, Format* format, QString* file);
    // True when the text names a file source, not a query.
    static bool IsFileSource(const QString& text);

    // Changing the file or its format closes an open data set.
    void SetSource(Format format, const QString& file);
    Format SourceFormat() const { return m_format; }
    QString FileName() const { return m_file; }

    // Every named field must be in the file: the CSV's header, every JSON object (null is a
    // value). Throws naming the file, the line or object and the first missing field. Only on
    // an open data set.
    void RequireFields(const QStringList& names) const;

protected:
    void DoOpen() override;
    void DoClose() override;
    void DoUpdateFieldDefs() override;

private:
    void Read(bool readRows);
    Format m_format = Format::Csv;
    QString m_file;
    // JSON: the keys each object had, for RequireFields; CSV: empty.
    QVector<QVector<bool>> m_present;
    QVector<int> m_lines; // the line each record starts on
};

// The readers themselves (csvreader.cpp, jsonreader.cpp), for the data set and for tests. `source`
// names the file in messages. They throw KarvellError; nothing is kept from a file with a fault.
struct FileTable {
    QVector<FieldDef> fields;
    QVector<QVector<QVariant>> rows;
    QVector<QVector<bool>> present; // JSON only: which keys each object has
    QVector<int> lines;             // line of each record (1-based)
};
FileTable ReadCsv(const QByteArray& bytes, const QString& source);
FileTable ReadJson(const QByteArray& bytes, const QString& source);

} // namespace karvell
