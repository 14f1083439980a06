#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtEndian>
#include <limits>
#include <sys/stat.h>
#include <vector>

#include "model/picture.h"
#include "platform/error.h"

using namespace karvell;

namespace {

QString PicturePath(const QString& name) {
    return QStringLiteral(KARVELL_FIXTURES "/pictures/") + name;
}

QByteArray ReadFixture(const QString& name) {
    QFile f(PicturePath(name));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString();
    return f.readAll();
}

struct PixelCheck {
    int x, y;
    QRgb argb;
};

::testing::AssertionResult Near(QRgb actual, QRgb expected, int tolerance) {
    const int d[] = {qRed(actual) - qRed(expected), qGreen(actual) - qGreen(expected),
                     qBlue(actual) - qBlue(expected), qAlpha(actual) - qAlpha(expected)};
    for (int v : d)
        if (std::abs(v) > tolerance)
            return ::testing::AssertionFailure()
                   << "got " << std::hex << actual << ", expected " << expected;
    return ::testing::AssertionSuccess();
}

const std::vector<PixelCheck> kCorners = {{0, 0, 0xFFFF0000},
                                          {4, 0, 0xFF00FF00},
                                          {0, 2, 0xFF0000FF},
                                          {4, 2, 0xFFFFFFFF},
                                          {2, 1, 0xFF808080}};

struct BmpFixture {
    const char* name;
    int width, height;
    std::vector<PixelCheck> checks;
};

void PrintTo(const BmpFixture& f, std::ostream* os) {
    *os << f.name;
}

const BmpFixture kBmpFixtures[] = {
    {"bmp1.bmp",
     11,
     3,
     {{0, 0, 0xFFFFFFFF}, {1, 0, 0xFF000000}, {8, 1, 0xFF000000}, {10, 2, 0xFFFFFFFF}}},
    {"bmp4.bmp", 5, 3, kCorners},
    {"bmp_core4.bmp", 5, 3, kCorners},
    {"bmp8.bmp", 5, 3, kCorners},
    {"bmp8_used5.bmp", 5, 3, kCorners},
    {"bmp16_bitfields.bmp", 5, 3, kCorners},
    {"bmp16_555.bmp", 5, 3, kCorners},
    {"bmp24.bmp", 5, 3, kCorners},
    {"bmp24_sizeimage0.bmp", 5, 3, kCorners},
    {"bmp24_topdown.bmp", 5, 3, kCorners},
    {"bmp32.bmp", 5, 3, kCorners},
    {"bmp32_v5_alpha.bmp", 5, 3, {{0, 0, 0xFFFF0000}, {4, 2, 0xFFFFFFFF}, {2, 1, 0x80808080}}},
};

class BmpFixtureTest : public ::testing::TestWithParam<BmpFixture> {};

TEST_P(BmpFixtureTest, LengthIsTheImageAlsoWithTrailingBytes) {
    const QByteArray data = ReadFixture(GetParam().name);
    QString error;
    EXPECT_EQ(Bmp::ImageLength(data.constData(), data.size(), &error), data.size())
        << error.toStdString();
    const QByteArray followed = data + QByteArray(37, '\x55');
    EXPECT_EQ(Bmp::ImageLength(followed.constData(), followed.size(), &error), data.size());
}

TEST_P(BmpFixtureTest, EveryCutIsRejectedWithoutOverRead) {
    const QByteArray data = ReadFixture(GetParam().name);
    for (qsizetype n = 0; n < data.size(); ++n) {
        // An exact-size heap copy, so that a sanitizer sees any read past the end.
        std::vector<char> cut(data.begin(), data.begin() + n);
        QString error;
        ASSERT_EQ(Bmp::ImageLength(cut.data(), qint64(cut.size()), &error), -1) << "cut at " << n;
        EXPECT_FALSE(error.isEmpty());
        QImage image;
        ASSERT_FALSE(Bmp::Decode(data.left(n), &image, &error)) << "cut at " << n;
    }
}

TEST_P(BmpFixtureTest, DecodesPixelsLikeQtsReader) {
    const BmpFixture& f = GetParam();
    const QByteArray data = ReadFixture(f.name);
    QImage image;
    QString error;
    ASSERT_TRUE(Bmp::Decode(data, &image, &error)) << error.toStdString();
    ASSERT_EQ(image.size(), QSize(f.width, f.height));
    for (const PixelCheck& c : f.checks)
        EXPECT_TRUE(Near(image.pixel(c.x, c.y), c.argb, 4)) << "at " << c.x << "," << c.y;
    // Qt's own BMP reader as an independent reference for every pixel (it widens 5-bit
    // channels by shifting only, hence the tolerance).
    const QImage reference = QImage::fromData(data, "BMP");
    ASSERT_EQ(reference.size(), image.size());
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ASSERT_TRUE(Near(image.pixel(x, y), reference.pixel(x, y), 8))
                << "at " << x << "," << y;
    EXPECT_EQ(image.hasAlphaChannel(), std::string(f.name) == "bmp32_v5_alpha.bmp");
}

INSTANTIATE_TEST_SUITE_P(Fixtures, BmpFixtureTest, ::testing::ValuesIn(kBmpFixtures));

struct Patch {
    int offset;
    int size; // 2 or 4
    quint32 value;
};

struct HostileCase {
    const char* what;
    std::vector<Patch> patches;
};

void PrintTo(const HostileCase& c, std::ostream* os) {
    *os << c.what;
}

class BmpHostileTest : public ::testing::TestWithParam<HostileCase> {};

TEST_P(BmpHostileTest, IsRejected) {
    QByteArray data = ReadFixture("bmp24.bmp");
    for (const Patch& p : GetParam().patches) {
        auto* at = reinterpret_cast<uchar*>(data.data()) + p.offset;
        if (p.size == 2)
            qToLittleEndian<quint16>(quint16(p.value), at);
        else
            qToLittleEndian<quint32>(p.value, at);
    }
    QString error;
    EXPECT_EQ(Bmp::ImageLength(data.constData(), data.size(), &error), -1);
    EXPECT_FALSE(error.isEmpty());
    QImage image;
    EXPECT_FALSE(Bmp::Decode(data, &image, &error));
}

const HostileCase kHostile[] = {
    {"not BM", {{0, 2, 0x4142}}},
    {"negative width", {{18, 4, quint32(-5)}}},
    {"zero width", {{18, 4, 0}}},
    {"zero height", {{22, 4, 0}}},
    {"most negative height", {{22, 4, 0x80000000u}}},
    {"huge width and height", {{18, 4, 0x7FFFFFFF}, {22, 4, 0x7FFFFFFF}}},
    {"huge width", {{18, 4, 0x7FFFFFFF}}},
    {"bit count 7", {{28, 2, 7}}},
    {"bit count 0", {{28, 2, 0}}},
    {"RLE8", {{30, 4, 1}}},
    {"JPEG inside", {{30, 4, 4}}},
    {"PNG inside", {{30, 4, 5}}},
    {"bit fields on 24 bits", {{30, 4, 3}}},
    {"header size 64", {{14, 4, 64}}},
    {"header size 0", {{14, 4, 0}}},
    {"header size max", {{14, 4, 0xFFFFFFFF}}},
    {"colours used max", {{46, 4, 0xFFFFFFFF}}},
    {"size image max", {{34, 4, 0xFFFFFFFF}}},
    {"size image beyond data", {{34, 4, 49}}},
};

INSTANTIATE_TEST_SUITE_P(Headers, BmpHostileTest, ::testing::ValuesIn(kHostile));

TEST(Bmp, SizeImageSmallerThanThePixelsDelimitsButDoesNotDecode) {
    QByteArray data = ReadFixture("bmp24.bmp");
    qToLittleEndian<quint32>(1, data.data() + 34);
    const qint64 length = Bmp::ImageLength(data.constData(), data.size(), nullptr);
    EXPECT_EQ(length, 54 + 1);
    QImage image;
    QString error;
    EXPECT_FALSE(Bmp::Decode(data.left(length), &image, &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(Bmp, EncodeThenDelimitThenDecodeKeepsEveryPixel) {
    QImage odd(7, 2, QImage::Format_RGB32);
    for (int y = 0; y < odd.height(); ++y)
        for (int x = 0; x < odd.width(); ++x)
            odd.setPixel(x, y, qRgb(x * 30, y * 100, 255 - x * 20));
    QImage alpha(3, 4, QImage::Format_ARGB32);
    alpha.fill(qRgba(10, 20, 30, 255));
    alpha.setPixel(1, 2, qRgba(200, 100, 50, 77));
    alpha.setPixel(2, 0, qRgba(0, 0, 0, 0));
    QImage indexed = QImage::fromData(ReadFixture("bmp4.bmp"), "BMP");
    QImage one(1, 1, QImage::Format_RGB888);
    one.fill(qRgb(1, 2, 3));

    for (const QImage& source : {odd, alpha, indexed, one}) {
        const QByteArray bmp = Bmp::Encode(source);
        const int bits = source.hasAlphaChannel() ? 32 : 24;
        const auto* h = reinterpret_cast<const uchar*>(bmp.constData());
        EXPECT_EQ(qFromLittleEndian<quint16>(h + 28), bits);
        EXPECT_EQ(qFromLittleEndian<quint32>(h + 30), 0u); // BI_RGB
        EXPECT_EQ(qFromLittleEndian<quint32>(h + 34), quint32(bmp.size() - 54));
        EXPECT_EQ(qFromLittleEndian<qint32>(h + 38), 3780);
        EXPECT_EQ(qFromLittleEndian<qint32>(h + 42), 3780);
        EXPECT_EQ(qFromLittleEndian<quint32>(h + 2), quint32(bmp.size()));

        const QByteArray stream = bmp + "trailing";
        ASSERT_EQ(Bmp::ImageLength(stream.constData(), stream.size(), nullptr), bmp.size());
        QImage decoded;
        ASSERT_TRUE(Bmp::Decode(bmp, &decoded, nullptr));
        const QImage expected = source.convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(decoded.size(), source.size());
        for (int y = 0; y < source.height(); ++y)
            for (int x = 0; x < source.width(); ++x)
                ASSERT_EQ(decoded.pixel(x, y), expected.pixel(x, y)) << x << "," << y;
        // And what was written is a BMP image another reader agrees with.
        const QImage reference = QImage::fromData(bmp, "BMP");
        ASSERT_EQ(reference.size(), source.size());
        EXPECT_EQ(reference.convertToFormat(QImage::Format_RGB32).pixel(0, source.height() - 1),
                  expected.convertToFormat(QImage::Format_RGB32).pixel(0, source.height() - 1));
    }
    EXPECT_TRUE(Bmp::Encode(QImage()).isEmpty());
}

TEST(Jpeg, DecodesColourGreyAndCmyk) {
    struct Case {
        const char* name;
        QSize size;
        QRgb colour;
    } cases[] = {{"photo7x5.jpg", {7, 5}, qRgb(200, 30, 40)},
                 {"gray.jpg", {6, 4}, qRgb(100, 100, 100)},
                 {"cmyk.jpg", {4, 4}, qRgb(199, 30, 40)}};
    for (const Case& c : cases) {
        QImage image;
        QString error;
        ASSERT_TRUE(DecodeJpeg(ReadFixture(c.name), &image, &error))
            << c.name << error.toStdString();
        EXPECT_EQ(image.size(), c.size) << c.name;
        EXPECT_TRUE(Near(image.pixel(c.size.width() / 2, c.size.height() / 2), c.colour, 8))
            << c.name;
    }
}

TEST(Jpeg, BrokenDataFailsWithAMessage) {
    const QByteArray good = ReadFixture("photo7x5.jpg");
    const QByteArray inputs[] = {
        QByteArray(),
        good.left(2),
        good.left(20),
        good.left(good.size() / 2),
        ReadFixture("truncated.jpg"),
        ReadFixture("fake_png.jpg"),
        QByteArray("\xFF\xD8\xFF\xE0") + QByteArray(200, '\x7F'),
    };
    int i = 0;
    for (const QByteArray& input : inputs) {
        QImage image;
        QString error;
        EXPECT_FALSE(DecodeJpeg(input, &image, &error)) << "input " << i;
        EXPECT_FALSE(error.isEmpty()) << "input " << i;
        ++i;
    }
}

class PictureFiles : public ::testing::Test {
protected:
    // A copy of a fixture under another name in a scratch folder.
    QString Copy(const QString& fixture, const QString& as) {
        const QString path = dir.filePath(as);
        QFile::remove(path);
        EXPECT_TRUE(QFile::copy(PicturePath(fixture), path));
        return path;
    }
    QString Write(const QString& as, const QByteArray& bytes) {
        const QString path = dir.filePath(as);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }
    QTemporaryDir dir;
};

TEST_F(PictureFiles, LoadsEachTypeByItsExtension) {
    struct Case {
        QString path;
        QSize size;
        bool isIcon;
        PixelCheck check;
    } cases[] = {
        {PicturePath("bmp24.bmp"), {5, 3}, false, {0, 2, 0xFF0000FF}},
        {PicturePath("bmp_core4.bmp"), {5, 3}, false, {4, 0, 0xFF00FF00}},
        {PicturePath("bmp8_rle.bmp"), {5, 3}, false, {4, 2, 0xFFFFFFFF}},
        {Copy("bmp1.bmp", "UPPER.BMP"), {11, 3}, false, {0, 0, 0xFFFFFFFF}},
        {PicturePath("photo7x5.jpg"), {7, 5}, false, {3, 2, qRgb(200, 30, 40)}},
        {Copy("gray.jpg", "grey.JPEG"), {6, 4}, false, {0, 0, qRgb(100, 100, 100)}},
        {PicturePath("icon16.ico"), {16, 16}, true, {2, 1, 0xFFFF0000}},
    };
    for (const Case& c : cases) {
        const LoadedPicture p = LoadPictureFile(c.path);
        EXPECT_EQ(p.image.size(), c.size) << c.path.toStdString();
        EXPECT_EQ(p.isIcon, c.isIcon) << c.path.toStdString();
        EXPECT_TRUE(Near(p.image.pixel(c.check.x, c.check.y), c.check.argb, 8))
            << c.path.toStdString();
    }
    const LoadedPicture icon = LoadPictureFile(PicturePath("icon16.ico"));
    EXPECT_EQ(qAlpha(icon.image.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(icon.image.pixel(10, 5)), 0);
    EXPECT_EQ(icon.image.pixel(12, 12), 0xFF00FF00);
}

TEST_F(PictureFiles, BadFilesThrowNamingTheFile) {
    QDir(dir.path()).mkdir("folder.bmp");
    // A FIFO without a writer must not hold the program.
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath("pipe.bmp")).constData(), 0600), 0);
    const QByteArray bmp = ReadFixture("bmp24.bmp");
    const QString paths[] = {
        dir.filePath("missing.bmp"),
        Copy("bmp24.bmp", "picture.png"),
        Copy("bmp24.bmp", "noextension"),
        dir.filePath("folder.bmp"),
        PicturePath("fake_png.jpg"),
        PicturePath("truncated.jpg"),
        Copy("photo7x5.jpg", "photo.bmp"),
        Copy("bmp24.bmp", "picture.ico"),
        Copy("icon16.ico", "icon.jpg"),
        Write("cut.bmp", bmp.left(bmp.size() - 1)),
        Write("empty.bmp", {}),
        Write("empty.jpg", {}),
        Write("empty.ico", {}),
        Write("broken.ico", QByteArray("\0\0\1\0\1\0", 6) + QByteArray(30, '\xEE')),
        dir.filePath("pipe.bmp"),
    };
    for (const QString& path : paths) {
        try {
            LoadPictureFile(path);
            ADD_FAILURE() << "no error for " << path.toStdString();
        } catch (const KarvellError& e) {
            EXPECT_TRUE(e.message().contains(QFileInfo(path).fileName()))
                << e.message().toStdString();
        }
    }
}

} // namespace
