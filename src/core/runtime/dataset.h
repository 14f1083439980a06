#pragma once
// The data-set interface the report runtime needs, with an in-memory implementation that holds
// its rows (a static cursor: exact record count, free navigation). The Qt SQL query component
// (data layer) derives from it and fills the rows when opened.
#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include "format/decimal.h"
#include "runtime/rowstore.h"

namespace karvell {

enum class FieldKind { Numeric, LargeObject, Other };

class TDataSet;

// A field of the current record: a light handle (data set and column).
class TField {
public:
    TField(const TDataSet* ds, int column) : m_ds(ds), m_column(column) {}
    QString FieldName() const;
    FieldKind Kind() const;
    bool IsNumeric() const { return Kind() == FieldKind::Numeric; }
    bool IsLargeObject() const { return Kind() == FieldKind::LargeObject; }
    bool IsNull() const;
    // Null, or a text of blanks only: no value to print or to add up.
    bool IsBlank() const;
    // A text that names no finite number as databases spell it (NaN, Infinity, -inf).
    bool IsNonFiniteText() const;
    // Null is 0; numbers and numeric text convert, anything else throws KarvellError.
    double AsFloat() const;
    // The exact value of a field that reads as a decimal number (an integer or real value, or
    // a text such as "2356.50" whatever the column's declared type); false for null and for
    // anything else.
    bool ReadNumber(DecimalValue* out) const;
    // Null is 0; a value that reads as a number is that number; anything else (also NaN and
    // infinities) throws KarvellError naming the data set, the record and the field.
    DecimalValue AsDecimal() const;
    // Reading a field of a closed data set throws KarvellError.
    QVariant Value() const;
    // Real numbers in the shortest form up to 15 significant digits, integers in full; dates in
    // the process-wide short date format (date-times add "hh:mm:ss" unless at midnight);
    // booleans "True"/"False"; null as ""; other values as text, without NUL characters. A
    // value of a date column that is no calendar date ('infinity', a BC date) throws
    // KarvellError naming the record.
    QString DisplayText() const;
    QByteArray BlobData() const;

private:
    const TDataSet* m_ds;
    int m_column;
};

// `kind` is a hint taken from the declared type: a value that reads as a number is one
// whatever the kind says. `isDate`: the column holds dates; its values are QDate or QDateTime,
// and a text in it is a value the database gave that is no calendar date.
struct FieldDef {
    QString name;
    FieldKind kind = FieldKind::Other;
    bool isDate = false;
};

class TDataSet : public QObject {
    Q_OBJECT
public:
    explicit TDataSet(QObject* parent = nullptr);
    ~TDataSet() override;

    // Opening positions on the first record; failures throw KarvellError.
    void Open();
    void Close();
    bool Active() const { return m_active; }
    // Detaching data-aware controls: counted, as the platform does.
    void DisableControls() { ++m_disableCount; }
    void EnableControls() {
        if (m_disableCount > 0) --m_disableCount;
    }
    bool ControlsDisabled() const { return m_disableCount > 0; }

    // Navigation as on the platform: First sets Bof; Next on the last record sets Eof and stays
    // there; Prior on the first record sets Bof; Last moves to the last record and sets Eof.
    // Fields keep reading the current record when Eof or Bof is set; an open data set without
    // records reads every field as null. Navigating a closed data set throws KarvellError.
    void First();
    void Next();
    void Prior();
    void Last();
    bool Eof() const;
    bool Bof() const { return m_bof; }
    int RecordCount() const { return m_rows.Count(); }
    int RecNo() const { return m_row; } // 0-based current row

    // Name lookup ignores letter case; a missing name throws KarvellError naming the data set
    // and the field.
    TField FieldByName(const QString& name) const;
    int FindField(const QString& name) const; // -1 when missing
    QStringList FieldNames() const;
    const QVector<FieldDef>& Fields() const { return m_fields; }
    // Refreshes the field definitions of a closed data set (a query reads them from its result
    // without keeping rows), so FieldNames lists them without opening. Failures throw.
    void UpdateFieldDefs();

    // In-memory content: for tests, embedding and the SQL query that fills it.
    void SetFields(const QVector<FieldDef>& fields);
    void AppendRow(const QVector<QVariant>& row);
    void ClearRows();
    QVariant CellValue(int row, int column) const;

protected:
    // Subclasses fill m_fields/m_rows here (the SQL query runs its text). Default: keep rows.
    virtual void DoOpen() {}
    virtual void DoClose() {}
    virtual void DoUpdateFieldDefs() {}
    // The name used in error messages: objectName, else the class name.
    QString DisplayName() const;

    QVector<FieldDef> m_fields;
    TRowStore m_rows;

private:
    friend class TField;
    void CheckActive() const;
    // The current row for field access, or -1 when the data set has no records.
    int CurrentRow() const;
    bool m_active = false;
    int m_row = 0;
    bool m_eof = true;
    bool m_bof = true;
    int m_disableCount = 0;
};

// The process-wide short date format (Qt date format syntax). Starts as "yyyy/M/d"; the report
// functions set it to "yyyy-MM-dd".
QString ShortDateFormat();
void SetShortDateFormat(const QString& qtFormat);
// Integer and floating-point value types: the values a numeric field holds.
bool IsNumericMetaType(int typeId);
// Shortest decimal form with up to 15 significant digits ("1000000.25", "0.1", "1E20").
QString FloatToStr(double value);

} // namespace karvell
