#include "pyrows.h"

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QTime>
#include <limits>

#include "platform/error.h"

namespace py = pybind11;

namespace karvell::python {
namespace {

const char* const kValueTypes =
    "str、int、float、decimal.Decimal、datetime.date、datetime.datetime、bytes、None";

QString TypeName(const py::handle& obj) {
    return QString::fromUtf8(Py_TYPE(obj.ptr())->tp_name);
}

[[noreturn]] void Raise(PyObject* type, const QString& message) {
    PyErr_SetString(type, message.toUtf8().constData());
    throw py::error_already_set();
}

QString Text(const py::handle& str) {
    Py_ssize_t size = 0;
    const char* utf8 = PyUnicode_AsUTF8AndSize(str.ptr(), &size);
    if (!utf8) throw py::error_already_set(); // lone surrogates
    return QString::fromUtf8(utf8, size);
}

// The classes the module reads values of, imported once.
struct PyTypes {
    py::object decimal = py::module_::import("decimal").attr("Decimal");
    py::object date = py::module_::import("datetime").attr("date");
    py::object datetime = py::module_::import("datetime").attr("datetime");
};

const PyTypes& Types() {
    // Kept for the life of the process: the interpreter owns the classes.
    static const PyTypes* types = new PyTypes();
    return *types;
}

enum class ValueClass { Null, Number, Text, Date, Bytes, Other };

// A value as the runtime holds it; Other for a type it cannot take.
ValueClass Convert(const py::handle& v, QVariant* out) {
    if (v.is_none()) {
        *out = QVariant();
        return ValueClass::Null;
    }
    if (PyBool_Check(v.ptr())) { // before int: a bool is an int in Python
        *out = QVariant(v.ptr() == Py_True);
        return ValueClass::Text;
    }
    if (PyLong_Check(v.ptr())) {
        int overflow = 0;
        const long long n = PyLong_AsLongLongAndOverflow(v.ptr(), &overflow);
        if (overflow == 0 && !(n == -1 && PyErr_Occurred()))
            *out = QVariant(qlonglong(n));
        else // beyond 64 bits: the digits, which the runtime reads exactly
            *out = QVariant(Text(py::str(v)));
        PyErr_Clear();
        return ValueClass::Number;
    }
    if (PyFloat_Check(v.ptr())) {
        *out = QVariant(PyFloat_AsDouble(v.ptr()));
        return ValueClass::Number;
    }
    if (PyUnicode_Check(v.ptr())) {
        *out = QVariant(Text(v));
        return ValueClass::Text;
    }
    const PyTypes& t = Types();
    if (py::isinstance(v, t.decimal)) {
        if (v.attr("is_finite")().cast<bool>()) {
            *out = QVariant(Text(py::str(v))); // "2356.50": every digit as written
        } else if (v.attr("is_nan")().cast<bool>()) {
            *out = QVariant(std::numeric_limits<double>::quiet_NaN());
        } else {
            const bool negative = v.attr("is_signed")().cast<bool>();
            *out = QVariant(negative ? -std::numeric_limits<double>::infinity()
                                     : std::numeric_limits<double>::infinity());
        }
        return ValueClass::Number;
    }
    if (py::isinstance(v, t.date)) {
        const QDate date(v.attr("year").cast<int>(), v.attr("month").cast<int>(),
                         v.attr("day").cast<int>());
        if (py::isinstance(v, t.datetime)) {
            // The wall-clock time as given; a time zone attached to it is not converted.
            const QTime time(v.attr("hour").cast<int>(), v.attr("minute").cast<int>(),
                             v.attr("second").cast<int>(),
                             v.attr("microsecond").cast<int>() / 1000);
            *out = QVariant(QDateTime(date, time));
        } else {
            *out = QVariant(date);
        }
        return ValueClass::Date;
    }
    if (PyBytes_Check(v.ptr()) || PyByteArray_Check(v.ptr()) || PyMemoryView_Check(v.ptr())) {
        const auto copy = py::reinterpret_steal<py::bytes>(PyBytes_FromObject(v.ptr()));
        if (!copy) throw py::error_already_set();
        const std::string bytes = copy;
        *out = QVariant(QByteArray(bytes.data(), qsizetype(bytes.size())));
        return ValueClass::Bytes;
    }
    return ValueClass::Other;
}

// Per column: how many values of each class it holds, for its kind.
struct ColumnCensus {
    int values = 0, numbers = 0, dates = 0, bytes = 0;
};

RowTable ConvertRows(const QString& name, const py::handle& rows) {
    if (PyUnicode_Check(rows.ptr()) || PyBytes_Check(rows.ptr()) || PyDict_Check(rows.ptr()) ||
        !py::hasattr(rows, "__iter__"))
        Raise(
            PyExc_TypeError,
            QStringLiteral("数据集 %1 的行要是 dict 的序列，而不是 %2").arg(name, TypeName(rows)));
    RowTable table;
    table.name = name;
    QHash<QString, int> columns; // lower-case name → column: names ignore letter case
    QVector<ColumnCensus> census;
    int index = 0;
    for (const py::handle row : rows) {
        const QString where =
            QStringLiteral("数据集 %1 第 %2 行（从 0 数起）").arg(name).arg(index);
        if (!PyDict_Check(row.ptr()))
            Raise(PyExc_TypeError,
                  QStringLiteral("%1 要是 dict，而不是 %2").arg(where, TypeName(row)));
        QVector<QVariant> values(table.fields.size());
        QVector<bool> present(table.fields.size(), false);
        for (const auto& [key, value] : py::reinterpret_borrow<py::dict>(row)) {
            if (!PyUnicode_Check(key.ptr()))
                Raise(PyExc_TypeError,
                      QStringLiteral("%1：字段名要是 str，而不是 %2").arg(where, TypeName(key)));
            const QString field = Text(key);
            int column = columns.value(field.toLower(), -1);
            if (column < 0) {
                column = int(table.fields.size());
                columns.insert(field.toLower(), column);
                table.fields.append(FieldDef{field, FieldKind::Other, false});
                census.append(ColumnCensus());
                values.resize(column + 1);
                present.resize(column + 1);
            } else if (present[column]) {
                Raise(PyExc_ValueError, QStringLiteral("%1：字段 %2 与 %3 只差字母大小写")
                                            .arg(where, table.fields[column].name, field));
            }
            QVariant converted;
            const ValueClass kind = Convert(value, &converted);
            if (kind == ValueClass::Other)
                Raise(PyExc_TypeError,
                      QStringLiteral("%1的字段 %2：不支持 %3 类型的值（可用 %4）")
                          .arg(where, field, TypeName(value), QString::fromUtf8(kValueTypes)));
            ColumnCensus& c = census[column];
            c.values += kind != ValueClass::Null;
            c.numbers += kind == ValueClass::Number;
            c.dates += kind == ValueClass::Date;
            c.bytes += kind == ValueClass::Bytes;
            values[column] = converted;
            present[column] = true;
        }
        table.rows.append(values);
        table.present.append(present);
        ++index;
    }
    // Rows written before a later row named a new field lack it: null there.
    for (int r = 0; r < table.rows.size(); ++r) {
        table.rows[r].resize(table.fields.size());
        table.present[r].resize(table.fields.size());
    }
    for (int c = 0; c < census.size(); ++c) {
        const ColumnCensus& n = census[c];
        if (n.values == 0) continue;
        if (n.numbers == n.values) table.fields[c].kind = FieldKind::Numeric;
        if (n.bytes == n.values) table.fields[c].kind = FieldKind::LargeObject;
        table.fields[c].isDate = n.dates == n.values;
    }
    return table;
}

} // namespace

QVector<RowTable> ConvertDataSets(const py::handle& datasets) {
    QVector<RowTable> tables;
    if (datasets.is_none()) return tables;
    if (!PyDict_Check(datasets.ptr()))
        Raise(PyExc_TypeError, QStringLiteral("数据集要以 dict 给出（名称 → 行的序列），而不是 %1")
                                   .arg(TypeName(datasets)));
    for (const auto& [key, rows] : py::reinterpret_borrow<py::dict>(datasets)) {
        if (!PyUnicode_Check(key.ptr()))
            Raise(PyExc_TypeError,
                  QStringLiteral("数据集的名称要是 str，而不是 %1").arg(TypeName(key)));
        tables.append(ConvertRows(Text(key), rows));
    }
    return tables;
}

QVector<QPair<QString, QString>> ConvertVariables(const py::handle& variables) {
    QVector<QPair<QString, QString>> out;
    if (variables.is_none()) return out;
    if (!PyDict_Check(variables.ptr()))
        Raise(
            PyExc_TypeError,
            QStringLiteral("变量要以 dict 给出（名称 → 值），而不是 %1").arg(TypeName(variables)));
    for (const auto& [key, value] : py::reinterpret_borrow<py::dict>(variables)) {
        if (!PyUnicode_Check(key.ptr()))
            Raise(PyExc_TypeError,
                  QStringLiteral("变量的名称要是 str，而不是 %1").arg(TypeName(key)));
        const QString name = Text(key);
        QString text;
        if (value.is_none()) {
            text.clear();
        } else if (PyUnicode_Check(value.ptr())) {
            text = Text(value);
        } else if (!PyBool_Check(value.ptr()) &&
                   (PyLong_Check(value.ptr()) || PyFloat_Check(value.ptr()) ||
                    py::isinstance(value, Types().decimal))) {
            text = Text(py::str(value));
        } else {
            Raise(PyExc_TypeError,
                  QStringLiteral("变量 %1：不支持 %2 类型的值（可用 str、int、float、"
                                 "decimal.Decimal、None）")
                      .arg(name, TypeName(value)));
        }
        out.append({name, text});
    }
    return out;
}

TDataSet* MakeDataSet(const RowTable& table, const QStringList& required, QObject* owner) {
    QVector<FieldDef> fields = table.fields;
    QVector<int> requiredColumns;
    for (const QString& name : required) {
        int column = -1;
        for (int c = 0; c < fields.size() && column < 0; ++c)
            if (fields[c].name.compare(name, Qt::CaseInsensitive) == 0) column = c;
        if (column < 0) { // no row has it: a fault unless there are no rows
            column = int(fields.size());
            fields.append(FieldDef{name, FieldKind::Other, false});
        }
        requiredColumns.append(column);
    }
    for (int r = 0; r < table.rows.size(); ++r)
        for (int i = 0; i < required.size(); ++i)
            if (!table.present[r].value(requiredColumns[i]))
                throw KarvellError(
                    QStringLiteral("数据集 %1 第 %2 行（从 0 数起）没有模板使用的字段 %3")
                        .arg(table.name)
                        .arg(r)
                        .arg(required[i]));
    auto* data = new TDataSet(owner);
    data->setObjectName(table.name);
    data->SetFields(fields);
    for (QVector<QVariant> row : table.rows) {
        row.resize(fields.size());
        data->AppendRow(row);
    }
    data->Open();
    return data;
}

} // namespace karvell::python
