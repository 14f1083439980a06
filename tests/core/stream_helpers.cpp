#include "stream_helpers.h"

#include <QtEndian>

#include "model_helpers.h"

namespace karvell::test {

int32_t I32(const QByteArray& b, int at) {
    return qFromLittleEndian<int32_t>(b.constData() + at);
}

QByteArray MakeBmp(int width, int height, int bits, int colours) {
    const int stride = (width * bits + 31) / 32 * 4;
    const int entries = bits <= 8 ? (colours ? colours : 1 << bits) : 0;
    const int offset = 14 + 40 + 4 * entries;
    QByteArray b;
    auto i32 = [&](int32_t v) { b.append(reinterpret_cast<const char*>(&v), 4); };
    auto i16 = [&](int16_t v) { b.append(reinterpret_cast<const char*>(&v), 2); };
    b.append("BM");
    i32(offset + stride * height);
    i32(0);
    i32(offset);
    i32(40);
    i32(width);
    i32(height);
    i16(1);
    i16(int16_t(bits));
    i32(0); // BI_RGB
    i32(0); // biSizeImage
    i32(3780);
    i32(3780);
    i32(colours);
    i32(0);
    for (int i = 0; i < entries; ++i)
        i32(int32_t(0x00102030 * (i + 1)) & 0xFFFFFF);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < stride; ++x)
            b.append(char(bits == 4 ? ((x + y) % 3) * 0x11 : (x * 7 + y) & 0xFF));
    return b;
}

void Crafter::Mark(const std::string& name) {
    at.emplace(name, int(b.size()));
}

void Crafter::I32(int32_t v) {
    char x[4];
    qToLittleEndian(v, x);
    b.append(x, 4);
}

void Crafter::U8(uint8_t v) {
    b.append(char(v));
}

QByteArray Crafter::Build(uint16_t magic, const Lines& lines) {
    b.clear();
    at.clear();
    char m[2];
    qToLittleEndian(magic, m);
    b.append(m, 2);
    for (int v : {100, 768, 1056, 77, 77, 38, 58, 20, 20, 10, 15})
        I32(v);
    U8(1);
    I32(2000);
    I32(1);
    Mark("lines");
    I32(int32_t(lines.size()));
    for (size_t i = 0; i < lines.size(); ++i) {
        Mark("count " + std::to_string(i));
        I32(int32_t(lines[i].size()));
    }
    for (size_t i = 0; i < lines.size(); ++i) {
        for (int v : {int(i), 0, 0, 0, 0, 0, 0, 0})
            I32(v);
        for (size_t j = 0; j < lines[i].size(); ++j) {
            const CellSpec& c = lines[i][j];
            const std::string id = std::to_string(i) + " " + std::to_string(j);
            for (int v : {5, int(j), 77 + 100 * int(j), 100})
                I32(v);
            for (int k = 0; k < 11; ++k) // CellRect, TextRect, three heights
                I32(0);
            for (int k = 0; k < 4; ++k) {
                U8(1);
                I32(1);
            }
            for (int32_t v : {0, 0, 0xFFFFFF, c.horz, 1})
                I32(v);
            Mark("text " + id);
            I32(int32_t(c.text.size()));
            b.append(c.text);
            if (magic != 0xAA55) {
                Mark("format " + id);
                I32(int32_t(c.format.size()));
                b.append(c.format);
            }
            if (magic == 0xAA57) {
                U8(c.bmp.isEmpty() ? 0 : 1);
                Mark("bmp " + id);
                b.append(c.bmp);
            }
            Mark("font " + id);
            QByteArray font(60, '\0');
            qToLittleEndian<int32_t>(-16, font.data());
            font[23] = 1;
            font.replace(28, 4, G("宋体"));
            b.append(font);
            Mark("owner " + id);
            I32(c.owner.first);
            I32(c.owner.second);
            Mark("owned " + id);
            I32(int32_t(c.owned.size()));
            for (const Pos& p : c.owned) {
                I32(p.first);
                I32(p.second);
            }
        }
    }
    Mark("trailer");
    for (int v : {9, 1, 2970, 2100, 0})
        I32(v);
    return b;
}

// Two lines: a merge top with text and format over a cell below, a cell with a picture.
Lines SmallDocument() {
    Lines lines(2, std::vector<CellSpec>(2));
    lines[0][0].text = G("合并");
    lines[0][0].format = "0.00";
    lines[0][0].owned = {{1, 0}};
    lines[1][0].owner = {0, 0};
    lines[0][1].text = "x";
    lines[0][1].bmp = MakeBmp(3, 2, 1, 0);
    lines[1][1].text = "y";
    return lines;
}

} // namespace karvell::test
