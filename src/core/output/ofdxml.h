#pragma once
// The XML of a fixed-layout (OFD) package's parts, written straight into UTF-8 bytes: every
// element in the "ofd" namespace, declared on the root; no indentation. A long document has
// hundreds of objects on each of its pages, and a general stream writer spent most of the
// export converting and escaping them one string at a time.
#include <QByteArray>
#include <QString>
#include <initializer_list>
#include <string_view>
#include <vector>

namespace karvell {

// Appends `v` with three decimals, trailing zeros and a trailing point dropped; halfway cases
// round away from zero, "-0" is written "0" and anything not finite as 0.
void AppendNum(QByteArray& out, double v);

class OfdXml {
public:
    // Starts the document with its declaration and the root element `root`.
    explicit OfdXml(std::string_view root);

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
    // Characters inside the current element, escaped.
    void Characters(const QString& text);
    // Characters that need no escaping (numbers, fixed words).
    void Plain(std::string_view plain);
    // The bytes, with every element still open ended.
    QByteArray Finish();

    // For attributes built piece by piece: clear it, append to it, then AttrBuffer().
    QByteArray& Buffer() { return m_buffer; }
    void AttrBuffer(std::string_view name) {
        Attr(name, std::string_view(m_buffer.constData(), size_t(m_buffer.size())));
    }

private:
    void CloseStartTag();
    void Escaped(const QString& text, bool attribute);

    QByteArray m_out;
    QByteArray m_buffer;
    std::vector<std::string_view> m_open; // names of the elements not yet ended
    bool m_startTag = false;              // the last start tag still takes attributes
};

} // namespace karvell
