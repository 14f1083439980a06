#pragma once
// The XML of a fixed-layout (OFD) package's parts, written straight into UTF-8 bytes: every
// element in the "ofd" namespace, declared on the root; no indentation. A long document has
// hundreds of objects on each of its pages, and a general stream writer spent most of the
// export converting and escaping them one string at a time.
#include <QByteArray>
#include <QList>
#include <QString>
#include <initializer_list>
#include <string_view>
#include <vector>

namespace karvell {

// Appends `v` with three decimals, trailing zeros and a trailing point dropped; halfway cases
// round away from zero, "-0" is written "0" and anything not finite as 0.
void AppendNum(QByteArray& out, double v);
// Appends the numbers separated by blanks.
void AppendNums(QByteArray& out, std::initializer_list<double> values);
void AppendNums(QByteArray& out, const QList<double>& values);

// `text` without the control characters XML cannot hold (all below U+0020 but the tab): a
// cell's text drawn with them shows none.
QString XmlSafe(const QString& text);

class OfdXml {
public:
    // Starts the document with its declaration and the root element `root`, with room for
    // `expectedSize` bytes (a page's XML is written in one piece, without regrowing).
    explicit OfdXml(std::string_view root, qsizetype expectedSize = 0);

    // Element and attribute names are plain ASCII and written as given; an element's name
    // must outlive the writer (a literal).
    void Start(std::string_view name);
    // Ends the innermost element: "<x/>" when nothing was written into it.
    void End();
    // An attribute of the element just started; the value is escaped.
    void Attr(std::string_view name, const QString& value);
    // An attribute whose value needs no escaping (numbers, fixed words).
    void Attr(std::string_view name, std::string_view plain);
    void Attr(std::string_view name, qint64 value);
    // An attribute with the numbers in `values` (AppendNum) separated by blanks.
    void Nums(std::string_view name, std::initializer_list<double> values);
    // An element holding only `text`.
    void Text(std::string_view name, const QString& text);
    // An element holding only the numbers (AppendNums).
    void TextNums(std::string_view name, std::initializer_list<double> values);
    // Characters inside the current element, escaped.
    void Characters(const QString& text);
    // Characters that need no escaping (numbers, fixed words).
    void Plain(std::string_view plain);
    // The bytes, with every element still open ended.
    QByteArray Finish();

    // A value built piece by piece: Buffer() gives it emptied, then AttrBuffer() or
    // PlainBuffer() writes it. It keeps its memory from one value to the next.
    QByteArray& Buffer() {
        m_buffer.resize(0);
        return m_buffer;
    }
    void AttrBuffer(std::string_view name) { Attr(name, BufferView()); }
    void PlainBuffer() { Plain(BufferView()); }

private:
    std::string_view BufferView() const {
        return std::string_view(m_buffer.constData(), size_t(m_buffer.size()));
    }
    void CloseStartTag();
    void Escaped(const QString& text, bool attribute);

    QByteArray m_out;
    QByteArray m_buffer;
    std::vector<std::string_view> m_open; // names of the elements not yet ended
    bool m_startTag = false;              // the last start tag still takes attributes
};

} // namespace karvell
