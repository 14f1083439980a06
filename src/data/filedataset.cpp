#include "filedataset.h"

#include <QFile>

#include "filetext.h"
#include "platform/error.h"
#include "platform/fileopen.h"

namespace karvell {

using filetext::Fail;

TFileDataSet::TFileDataSet(QObject* parent) : TDataSet(parent) {}

bool TFileDataSet::ParseSource(const QString& text, Format* format, QString* file) {
    for (const auto& [prefix, f] : {std::pair{QLatin1String("csv:"), Format::Csv},
                                    std::pair{QLatin1String("json:"), Format::Json}}) {
        if (text.startsWith(prefix, Qt::CaseInsensitive) && text.size() > prefix.size()) {
            *format = f;
            *file = text.mid(prefix.size());
            return true;
        }
    }
    return false;
}

bool TFileDataSet::IsFileSource(const QString& text) {
    Format format;
    QString file;
    return ParseSource(text, &format, &file);
}

void TFileDataSet::SetSource(Format format, const QString& file) {
    Close();
    m_format = format;
    m_file = file;
}

void TFileDataSet::DoOpen() {
    Read(true);
}

void TFileDataSet::DoClose() {
    m_rows.Clear();
    m_present.clear();
    m_lines.clear();
}

void TFileDataSet::DoUpdateFieldDefs() {
    Read(false);
}

void TFileDataSet::Read(bool readRows) {
    QFile file(m_file);
    QString why;
    if (!OpenForReading(file, &why))
        throw KarvellError(
            QStringLiteral("数据集 %1 无法读取数据文件 %2：%3").arg(DisplayName(), m_file, why));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw KarvellError(QStringLiteral("数据集 %1 无法读取数据文件 %2：%3")
                               .arg(DisplayName(), m_file, file.errorString()));
    FileTable t = m_format == Format::Csv ? ReadCsv(bytes, m_file) : ReadJson(bytes, m_file);
    m_fields = t.fields;
    if (!readRows) return;
    m_rows = TRowStore::From(t.rows);
    m_present = std::move(t.present);
    m_lines = std::move(t.lines);
}

void TFileDataSet::RequireFields(const QStringList& names) const {
    for (const QString& name : names) {
        const int column = FindField(name);
        if (m_format == Format::Csv || column < 0) {
            if (column < 0 && m_format == Format::Csv)
                Fail(m_file, 1,
                     QStringLiteral("没有模板使用的字段 %1（第一行的字段名中没有）").arg(name));
            if (column < 0)
                Fail(m_file, m_lines.value(0, 1),
                     m_present.isEmpty()
                         ? QStringLiteral("数组中没有对象，也就没有模板使用的字段 %1").arg(name)
                         : QStringLiteral("第 0 个对象没有模板使用的字段 %1").arg(name));
            continue;
        }
        for (int r = 0; r < m_present.size(); ++r)
            if (!m_present[r].value(column))
                Fail(m_file, m_lines.value(r),
                     QStringLiteral("第 %1 个对象没有模板使用的字段 %2").arg(r).arg(name));
    }
}

} // namespace karvell
