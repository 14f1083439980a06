#include "runtime/dataset.h"

#include <QMetaType>
#include <QTime>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/error.h"

namespace karvell {

namespace {

QString& ShortDateFormatStorage() {
    static QString format = QStringLiteral("yyyy/M/d");
    return format;
}

bool IsIntegerType(int id) {
    switch (id) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return true;
    default:
        return false;
    }
}

bool IsFloatType(int id) {
    return id == QMetaType::Double || id == QMetaType::Float;
}

QString DateText(const QDate& date) {
    return date.toString(ShortDateFormat());
}

} // namespace

bool IsNumericMetaType(int typeId) {
    return IsIntegerType(typeId) || IsFloatType(typeId);
}

QString ShortDateFormat() {
    return ShortDateFormatStorage();
}

void SetShortDateFormat(const QString& qtFormat) {
    ShortDateFormatStorage() = qtFormat;
}

QString FloatToStr(double value) {
    if (std::isnan(value)) return QStringLiteral("NAN");
    if (std::isinf(value)) return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
    if (value == 0) return QStringLiteral("0");

    // 15 significant digits, rounded by the C library: "d.dddddddddddddde±x".
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.14e", std::fabs(value));
    const char* e = std::strchr(buf, 'e');
    if (!e) return QString::number(value, 'g', 15);
    QByteArray digits;
    for (const char* p = buf; p < e; ++p)
        if (*p >= '0' && *p <= '9') digits.append(*p);
    while (digits.size() > 1 && digits.endsWith('0'))
        digits.chop(1);
    // Decimal exponent of the form 0.d1d2... x 10^exponent.
    const int exponent = std::atoi(e + 1) + 1;

    QString out = value < 0 ? QStringLiteral("-") : QString();
    const int n = digits.size();
    if (exponent > 15 || exponent < -3) {
        out += QChar(digits[0]);
        if (n > 1) out += QLatin1Char('.') + QString::fromLatin1(digits.mid(1));
        out += QLatin1Char('E') + QString::number(exponent - 1);
    } else if (exponent <= 0) {
        out += QStringLiteral("0.") + QString(-exponent, QLatin1Char('0')) +
               QString::fromLatin1(digits);
    } else if (exponent >= n) {
        out += QString::fromLatin1(digits) + QString(exponent - n, QLatin1Char('0'));
    } else {
        out += QString::fromLatin1(digits.left(exponent)) + QLatin1Char('.') +
               QString::fromLatin1(digits.mid(exponent));
    }
    return out;
}

// ---- TField ----

QString TField::FieldName() const {
    return m_ds->m_fields.value(m_column).name;
}

FieldKind TField::Kind() const {
    return m_ds->m_fields.value(m_column).kind;
}

QVariant TField::Value() const {
    m_ds->CheckActive();
    return m_ds->m_rows.Value(m_ds->CurrentRow(), m_column);
}

bool TField::IsNull() const {
    return Value().isNull();
}

namespace {

// The exact value of a number or numeric text; false for anything else.
bool DecimalOf(const QVariant& v, DecimalValue* out) {
    const int id = v.metaType().id();
    if (IsIntegerType(id)) return DecimalValue::FromText(v.toString(), out);
    if (IsFloatType(id)) {
        const double d = v.toDouble();
        if (!std::isfinite(d)) return false;
        *out = DecimalValue::FromDouble(d);
        return true;
    }
    if (id == QMetaType::QString) return DecimalValue::FromText(v.toString(), out);
    if (id == QMetaType::QByteArray)
        return DecimalValue::FromText(QString::fromUtf8(v.toByteArray()), out);
    return false;
}

} // namespace

bool TField::IsBlank() const {
    const QVariant v = Value();
    if (v.isNull()) return true;
    const int id = v.metaType().id();
    return (id == QMetaType::QString || id == QMetaType::QByteArray) &&
           v.toString().trimmed().isEmpty();
}

bool TField::IsNonFiniteText() const {
    const QVariant v = Value();
    if (v.metaType().id() != QMetaType::QString) return false;
    QString t = v.toString().trimmed().toLower();
    if (t.startsWith(QLatin1Char('-')) || t.startsWith(QLatin1Char('+'))) t.remove(0, 1);
    return t == QLatin1String("nan") || t == QLatin1String("inf") || t == QLatin1String("infinity");
}

bool TField::ReadNumber(DecimalValue* out) const {
    const QVariant v = Value();
    return !v.isNull() && DecimalOf(v, out);
}

DecimalValue TField::AsDecimal() const {
    const QVariant v = Value();
    DecimalValue d;
    if (v.isNull() || DecimalOf(v, &d)) return d;
    const int id = v.metaType().id();
    throw KarvellError(
        QStringLiteral("数据集 %1 第 %2 条记录中字段 %3 的值“%4”不是有效的数值")
            .arg(m_ds->DisplayName())
            .arg(m_ds->RecNo() + 1)
            .arg(FieldName(), IsFloatType(id) ? FloatToStr(v.toDouble()) : v.toString()));
}

double TField::AsFloat() const {
    return AsDecimal().ToDouble();
}

QString TField::DisplayText() const {
    const QVariant v = Value();
    if (v.isNull()) return QString();
    const int id = v.metaType().id();
    if (id == QMetaType::QString && m_ds->m_fields.value(m_column).isDate)
        throw KarvellError(QStringLiteral("数据集 %1 第 %2 条记录中字段 %3 的值“%4”不是有效的日期")
                               .arg(m_ds->DisplayName())
                               .arg(m_ds->RecNo() + 1)
                               .arg(FieldName(), v.toString().remove(QChar(0))));
    if (IsIntegerType(id)) return v.toString();
    if (IsFloatType(id)) return FloatToStr(v.toDouble());
    switch (id) {
    case QMetaType::Bool:
        return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case QMetaType::QDate:
        return DateText(v.toDate());
    case QMetaType::QTime:
        return v.toTime().toString(QStringLiteral("hh:mm:ss"));
    case QMetaType::QDateTime: {
        const QDateTime dt = v.toDateTime();
        QString text = DateText(dt.date());
        if (dt.time().isValid() && dt.time() != QTime(0, 0))
            text += QLatin1Char(' ') + dt.time().toString(QStringLiteral("hh:mm:ss"));
        return text;
    }
    case QMetaType::QByteArray:
        return QStringLiteral("(BLOB)");
    default:
        // A NUL inside a text ends nothing: it is dropped, the rest of the text stays.
        return v.toString().remove(QChar(0));
    }
}

QByteArray TField::BlobData() const {
    const QVariant v = Value();
    if (v.isNull()) return QByteArray();
    if (v.metaType().id() == QMetaType::QByteArray) return v.toByteArray();
    return v.toString().toUtf8();
}

// ---- TDataSet ----

TDataSet::TDataSet(QObject* parent) : QObject(parent) {}

TDataSet::~TDataSet() = default;

QString TDataSet::DisplayName() const {
    return objectName().isEmpty() ? QString::fromLatin1(metaObject()->className()) : objectName();
}

void TDataSet::CheckActive() const {
    if (!m_active)
        throw KarvellError(QStringLiteral("数据集 %1 未打开，不能执行此操作").arg(DisplayName()));
}

int TDataSet::CurrentRow() const {
    if (m_rows.IsEmpty()) return -1;
    return qBound(0, m_row, m_rows.Count() - 1);
}

void TDataSet::Open() {
    if (m_active) return;
    DoOpen(); // throws on failure; the data set stays closed
    m_active = true;
    First();
}

void TDataSet::Close() {
    if (!m_active) return;
    DoClose();
    m_active = false;
    m_row = 0;
    m_eof = m_bof = true;
}

void TDataSet::First() {
    CheckActive();
    m_row = 0;
    m_bof = true;
    m_eof = m_rows.IsEmpty();
}

void TDataSet::Next() {
    CheckActive();
    if (m_eof) return;
    m_bof = false;
    if (m_row + 1 < m_rows.Count())
        ++m_row;
    else
        m_eof = true;
}

void TDataSet::Prior() {
    CheckActive();
    if (m_bof) return;
    m_eof = false;
    if (m_row > 0 && !m_rows.IsEmpty())
        m_row = qMin(m_row, m_rows.Count()) - 1;
    else
        m_bof = true;
}

void TDataSet::Last() {
    CheckActive();
    m_row = qMax(0, m_rows.Count() - 1);
    m_eof = true;
    m_bof = m_rows.IsEmpty();
}

bool TDataSet::Eof() const {
    return !m_active || m_eof;
}

int TDataSet::FindField(const QString& name) const {
    for (int i = 0; i < m_fields.size(); ++i)
        if (m_fields[i].name.compare(name, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

TField TDataSet::FieldByName(const QString& name) const {
    CheckActive();
    const int column = FindField(name);
    if (column < 0)
        throw KarvellError(QStringLiteral("数据集 %1 中没有字段 %2").arg(DisplayName(), name));
    return TField(this, column);
}

QStringList TDataSet::FieldNames() const {
    QStringList names;
    names.reserve(m_fields.size());
    for (const FieldDef& f : m_fields)
        names << f.name;
    return names;
}

void TDataSet::UpdateFieldDefs() {
    if (!m_active) DoUpdateFieldDefs();
}

void TDataSet::SetFields(const QVector<FieldDef>& fields) {
    m_fields = fields;
    m_rows.Clear();
    if (m_active) First();
}

void TDataSet::AppendRow(const QVector<QVariant>& row) {
    QVector<QVariant> r = row;
    r.resize(m_fields.size());
    m_rows.Append(r);
    if (m_active && m_rows.Count() == 1) First();
}

void TDataSet::ClearRows() {
    m_rows.Clear();
    if (m_active) First();
}

QVariant TDataSet::CellValue(int row, int column) const {
    return m_rows.Value(row, column);
}

} // namespace karvell
