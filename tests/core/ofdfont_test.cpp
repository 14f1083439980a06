// The font files embedded in OFD documents: a face's file reassembled from its tables is a
// well-formed sfnt, and a run of many documents reassembles each face once.
#include <QFont>
#include <QRawFont>
#include <QtEndian>
#include <gtest/gtest.h>

#include "output/ofdfont.h"

namespace karvell {
namespace {

quint32 Be32(const QByteArray& b, qsizetype at) {
    return qFromBigEndian<quint32>(b.constData() + at);
}

// A TrueType face (from a collection) and an OpenType one with CFF outlines.
QList<QRawFont> Faces() {
    QList<QRawFont> faces;
    for (const char* family : {"AR PL UMing CN", "Noto Sans CJK SC", "DejaVu Sans"}) {
        QFont font{QString::fromLatin1(family)};
        font.setPixelSize(16);
        const QRawFont raw = QRawFont::fromFont(font);
        if (raw.isValid() && raw.familyName() == QLatin1String(family)) faces.append(raw);
    }
    return faces;
}

TEST(OfdFontTest, AFaceReassemblesIntoAWellFormedFontFile) {
    const QList<QRawFont> faces = Faces();
    ASSERT_FALSE(faces.isEmpty()) << "none of the test's fonts is installed";
    for (const QRawFont& face : faces) {
        SCOPED_TRACE(face.familyName().toStdString());
        const QByteArray file = FontFileOf(face);
        ASSERT_GE(file.size(), 12);
        const int count = qFromBigEndian<quint16>(file.constData() + 4);
        ASSERT_GE(file.size(), 12 + 16 * count);
        QByteArray previous;
        for (int i = 0; i < count; ++i) {
            const qsizetype entry = 12 + 16 * qsizetype(i);
            const QByteArray tag = file.mid(entry, 4);
            EXPECT_LT(previous, tag); // the directory is sorted by tag
            previous = tag;
            const quint32 offset = Be32(file, entry + 8), length = Be32(file, entry + 12);
            EXPECT_EQ(offset % 4, 0u);
            ASSERT_LE(qint64(offset) + length, file.size());
            // The table is the face's own, and its checksum is the sum of its words padded.
            const QByteArray data = file.mid(offset, length);
            EXPECT_EQ(data, face.fontTable(tag.constData())) << tag.toStdString();
            quint32 sum = 0;
            const QByteArray padded = data + QByteArray((4 - length % 4) % 4, '\0');
            for (qsizetype k = 0; k < padded.size(); k += 4)
                sum += Be32(padded, k);
            EXPECT_EQ(Be32(file, entry + 4), sum) << tag.toStdString();
        }
    }
}

TEST(OfdFontTest, ACacheReassemblesEachFaceOnce) {
    const QList<QRawFont> faces = Faces();
    if (faces.size() < 2) GTEST_SKIP() << "two of the test's fonts are needed";
    FontFileCache cache;
    const QByteArray first = cache.FileOf(faces[0]);
    EXPECT_EQ(first, FontFileOf(faces[0]));
    // The same face, asked for again at another size, is the kept file itself.
    QFont other = QFont(faces[0].familyName());
    other.setPixelSize(40);
    EXPECT_EQ(cache.FileOf(QRawFont::fromFont(other)).constData(), first.constData());
    const QByteArray second = cache.FileOf(faces[1]);
    EXPECT_NE(second, first);
    EXPECT_EQ(second, FontFileOf(faces[1]));
    // A subset made through the cache is the one made without it.
    const QString chars = QStringLiteral("记账凭证 0123");
    EXPECT_EQ(SubsetFontFile(faces[1], chars, &cache), SubsetFontFile(faces[1], chars));
}

} // namespace
} // namespace karvell
