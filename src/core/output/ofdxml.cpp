#include "output/ofdxml.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace karvell {
namespace {

constexpr std::string_view kNamespace = "http://www.ofdspec.org/2016";

// QByteArray::append(const char*, qsizetype) goes through insert(), which costs a page's
// worth of numbers more than their bytes; resize() grows the buffer just as geometrically.
void Append(QByteArray& out, std::string_view s) {
    if (s.empty()) return;
    const qsizetype at = out.size();
    out.resize(at + qsizetype(s.size()));
    std::memcpy(out.data() + at, s.data(), s.size());
}

// Any value: the standard conversion, with the files' rounding of halfway cases.
void AppendAnyNum(QByteArray& out, double v) {
    if (!std::isfinite(v)) v = 0;
    char buf[400]; // the widest double in fixed notation has 309 digits before the point
    char* end;
    // A value exactly halfway between two thousandths is an odd multiple of 1/16. The standard
    // conversion rounds it to even; the files have always rounded it away from zero.
    const double sixteenths = v * 16;
    if (std::abs(sixteenths) < 1e15 && sixteenths == std::trunc(sixteenths) &&
        std::fmod(sixteenths, 2) != 0) {
        const long long thousandths = (std::llabs((long long)sixteenths) * 625 + 5) / 10;
        char* p = buf;
        if (v < 0) *p++ = '-';
        p = std::to_chars(p, buf + sizeof buf, thousandths / 1000).ptr;
        const long long frac = thousandths % 1000;
        *p++ = '.';
        *p++ = char('0' + frac / 100);
        *p++ = char('0' + frac / 10 % 10);
        *p++ = char('0' + frac % 10);
        end = p;
    } else {
        end = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 3).ptr;
    }
    while (end[-1] == '0')
        --end;
    if (end[-1] == '.') --end;
    const std::string_view s(buf, size_t(end - buf));
    Append(out, s == "-0" ? std::string_view("0") : s);
}

} // namespace

void AppendNum(QByteArray& out, double v) {
    // A page has thousands of numbers, and converting an integer is much cheaper than converting
    // a double exactly. The product v * 1000 is rounded, but monotonically: it lies on the same
    // side of a halfway point n + 0.5 (a double below 1e12) as the exact product, or on it. So
    // its nearest integer is the exact value's, except on or next to a halfway point, which are
    // left to the exact conversion.
    const double t = v * 1000;
    if (!(std::abs(t) < 1e12)) return AppendAnyNum(out, v); // also NaN
    const double floor = std::floor(t);
    const double frac = t - floor;
    if (std::abs(frac - 0.5) < 1e-3) return AppendAnyNum(out, v);
    const long long thousandths = (long long)floor + (frac > 0.5 ? 1 : 0);
    if (thousandths == 0) return Append(out, "0"); // no "-0"
    char buf[32];
    char* p = buf;
    if (thousandths < 0) *p++ = '-';
    const unsigned long long magnitude = std::llabs(thousandths);
    p = std::to_chars(p, buf + sizeof buf, magnitude / 1000).ptr;
    if (unsigned rest = unsigned(magnitude % 1000); rest != 0) {
        *p++ = '.';
        *p++ = char('0' + rest / 100);
        rest %= 100;
        if (rest != 0) {
            *p++ = char('0' + rest / 10);
            if (rest % 10 != 0) *p++ = char('0' + rest % 10);
        }
    }
    Append(out, std::string_view(buf, size_t(p - buf)));
}

namespace {

template <typename Numbers> void AppendAll(QByteArray& out, const Numbers& values) {
    bool first = true;
    for (double v : values) {
        if (!first) out += ' ';
        first = false;
        AppendNum(out, v);
    }
}

} // namespace

void AppendNums(QByteArray& out, std::initializer_list<double> values) {
    AppendAll(out, values);
}

void AppendNums(QByteArray& out, const QList<double>& values) {
    AppendAll(out, values);
}

QString XmlSafe(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text)
        if (c.unicode() >= 0x20 || c == u'\t') out += c;
    return out;
}

OfdXml::OfdXml(std::string_view root, qsizetype expectedSize) {
    m_out.reserve(expectedSize);
    Append(m_out, R"(<?xml version="1.0" encoding="UTF-8"?>)");
    Start(root);
    Append(m_out, R"( xmlns:ofd=")");
    Append(m_out, kNamespace);
    m_out += '"';
}

void OfdXml::CloseStartTag() {
    if (!m_startTag) return;
    m_out += '>';
    m_startTag = false;
}

void OfdXml::Start(std::string_view name) {
    CloseStartTag();
    Append(m_out, "<ofd:");
    Append(m_out, name);
    m_open.push_back(name);
    m_startTag = true;
}

void OfdXml::End() {
    if (m_open.empty()) return;
    if (m_startTag) {
        Append(m_out, "/>");
        m_startTag = false;
    } else {
        Append(m_out, "</ofd:");
        Append(m_out, m_open.back());
        m_out += '>';
    }
    m_open.pop_back();
}

void OfdXml::Attr(std::string_view name, std::string_view plain) {
    m_out += ' ';
    Append(m_out, name);
    Append(m_out, "=\"");
    Append(m_out, plain);
    m_out += '"';
}

void OfdXml::Attr(std::string_view name, const QString& value) {
    m_out += ' ';
    Append(m_out, name);
    Append(m_out, "=\"");
    Escaped(value, true);
    m_out += '"';
}

void OfdXml::Attr(std::string_view name, qint64 value) {
    char buf[24];
    Attr(name,
         std::string_view(buf, size_t(std::to_chars(buf, buf + sizeof buf, value).ptr - buf)));
}

void OfdXml::Nums(std::string_view name, std::initializer_list<double> values) {
    AppendNums(Buffer(), values);
    AttrBuffer(name);
}

void OfdXml::Text(std::string_view name, const QString& text) {
    Start(name);
    Characters(text);
    End();
}

void OfdXml::TextNums(std::string_view name, std::initializer_list<double> values) {
    Start(name);
    AppendNums(Buffer(), values);
    PlainBuffer();
    End();
}

void OfdXml::Characters(const QString& text) {
    CloseStartTag();
    Escaped(text, false);
}

void OfdXml::Plain(std::string_view plain) {
    CloseStartTag();
    Append(m_out, plain);
}

// What a reader must not take for markup, and in attributes the white space that it would
// otherwise read as blanks.
void OfdXml::Escaped(const QString& text, bool attribute) {
    const QByteArray utf8 = text.toUtf8();
    const char* run = utf8.constData(); // characters written as they are, up to `c`
    const char* const end = run + utf8.size();
    for (const char* c = run; c != end; ++c) {
        std::string_view entity;
        switch (*c) {
        case '&':
            entity = "&amp;";
            break;
        case '<':
            entity = "&lt;";
            break;
        case '>':
            entity = "&gt;";
            break;
        case '"':
            entity = "&quot;";
            break;
        case '\t':
            if (attribute) entity = "&#9;";
            break;
        case '\n':
            if (attribute) entity = "&#10;";
            break;
        case '\r':
            if (attribute) entity = "&#13;";
            break;
        default:
            break;
        }
        if (entity.empty()) continue;
        Append(m_out, std::string_view(run, size_t(c - run)));
        Append(m_out, entity);
        run = c + 1;
    }
    Append(m_out, std::string_view(run, size_t(end - run)));
}

QByteArray OfdXml::Finish() {
    while (!m_open.empty())
        End();
    m_out += '\n';
    return m_out;
}

} // namespace karvell
