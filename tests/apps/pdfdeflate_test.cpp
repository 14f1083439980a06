// The programs' replacement of zlib's deflate for Qt's PDF writer: its streams inflate to what
// went in, uses outside Qt's pattern are refused or left to zlib, and a PDF written by Qt in a
// program that links it reads back whole with independent readers.
#include <gtest/gtest.h>
#include <zlib.h>

#include <QBuffer>
#include <QPainter>
#include <QPdfWriter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <vector>

#include "common/program_runner.h"
#include "pdfdeflate.h"

using namespace Qt::StringLiterals;
using karvell::test::RunProgram;
namespace pdfdeflate = karvell::pdfdeflate;

namespace {

QByteArray PageLike(int size) {
    QByteArray text;
    for (int i = 0; text.size() < size; ++i)
        text +=
            QByteArray::number(i * 37 % 4000) + " 0 Td <00" + QByteArray::number(i % 90) + "> Tj\n";
    text.truncate(size);
    return text;
}

QByteArray Noise(int size) {
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator random(7);
    for (char& b : bytes)
        b = char(random.generate() & 0xff);
    return bytes;
}

// Feeds `input` in pieces of `inChunk` bytes with Z_NO_FLUSH, then calls Z_FINISH with an output
// buffer of `outChunk` bytes until the stream ends, as Qt's writer does.
QByteArray DeflateInPieces(z_stream& stream, const QByteArray& input, int inChunk, int outChunk) {
    QByteArray out;
    std::vector<unsigned char> buffer(static_cast<size_t>(outChunk));
    for (qsizetype at = 0; at < input.size(); at += inChunk) {
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.constData() + at));
        stream.avail_in = uInt(std::min<qsizetype>(inChunk, input.size() - at));
        stream.next_out = buffer.data();
        stream.avail_out = uInt(buffer.size());
        EXPECT_EQ(deflate(&stream, Z_NO_FLUSH), Z_OK);
        out.append(reinterpret_cast<const char*>(buffer.data()), outChunk - stream.avail_out);
    }
    int result = Z_OK;
    int calls = 0;
    while (result == Z_OK && ++calls < 1'000'000) {
        stream.next_out = buffer.data();
        stream.avail_out = uInt(buffer.size());
        result = deflate(&stream, Z_FINISH);
        out.append(reinterpret_cast<const char*>(buffer.data()), outChunk - stream.avail_out);
    }
    EXPECT_EQ(result, Z_STREAM_END);
    return out;
}

QByteArray Inflate(const QByteArray& zlibStream, qsizetype size) {
    QByteArray out(size + 1, Qt::Uninitialized); // one more: a longer result would show
    uLongf length = uLongf(out.size());
    if (uncompress(reinterpret_cast<Bytef*>(out.data()), &length,
                   reinterpret_cast<const Bytef*>(zlibStream.constData()),
                   uLong(zlibStream.size())) != Z_OK)
        return "(not a zlib stream)";
    out.truncate(qsizetype(length));
    return out;
}

struct StreamCase {
    const char* name;
    QByteArray input;
    int inChunk;
    int outChunk;
};

TEST(PdfDeflate, StreamsInflateToTheirInputWhateverTheBufferSizes) {
    const StreamCase cases[] = {
        {"empty", QByteArray(), 1, 64},
        {"one byte", "q", 1, 1},
        {"a page in Qt's pieces", PageLike(300'000), 65536, 65536},
        {"a page handed out 7 bytes at a time", PageLike(20'000), 4096, 7},
        {"noise, larger compressed than plain", Noise(100'000), 30'000, 1000},
    };
    for (const StreamCase& c : cases) {
        SCOPED_TRACE(c.name);
        z_stream stream{};
        ASSERT_TRUE(pdfdeflate::OpenStream(&stream, Z_DEFAULT_COMPRESSION));
        const long before = pdfdeflate::StreamsDeflated();
        const QByteArray packed = DeflateInPieces(stream, c.input, c.inChunk, c.outChunk);
        EXPECT_EQ(Inflate(packed, c.input.size()), c.input);
        EXPECT_EQ(stream.total_in, uLong(c.input.size()));
        EXPECT_EQ(stream.total_out, uLong(packed.size()));
        EXPECT_EQ(stream.adler, adler32(1, reinterpret_cast<const Bytef*>(c.input.constData()),
                                        uInt(c.input.size())));
        EXPECT_EQ(pdfdeflate::StreamsDeflated(), before + 1);
        EXPECT_EQ(deflateEnd(&stream), Z_OK);
        EXPECT_EQ(stream.state, nullptr);
    }
}

TEST(PdfDeflate, UsesOutsideQtsPatternAreRefusedNotCorrupted) {
    z_stream stream{};
    ASSERT_TRUE(pdfdeflate::OpenStream(&stream, 6));
    QByteArray input = PageLike(1000);
    unsigned char out[4096];
    stream.next_in = reinterpret_cast<Bytef*>(input.data());
    stream.avail_in = uInt(input.size());
    stream.next_out = out;
    stream.avail_out = sizeof out;
    // A flush in the middle would need output now: libdeflate only deflates whole inputs.
    EXPECT_EQ(deflate(&stream, Z_SYNC_FLUSH), Z_STREAM_ERROR);
    // zlib's other functions see a state that is not theirs and say so.
    EXPECT_EQ(deflateParams(&stream, 1, Z_DEFAULT_STRATEGY), Z_STREAM_ERROR);
    EXPECT_EQ(deflateReset(&stream), Z_STREAM_ERROR);
    EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
    // More input after the end.
    stream.next_in = reinterpret_cast<Bytef*>(input.data());
    stream.avail_in = 10;
    EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_ERROR);
    EXPECT_EQ(deflateEnd(&stream), Z_OK);

    // Ended before all output was taken, as zlib answers.
    z_stream unfinished{};
    ASSERT_TRUE(pdfdeflate::OpenStream(&unfinished, 6));
    EXPECT_EQ(deflateEnd(&unfinished), Z_DATA_ERROR);

    EXPECT_FALSE(pdfdeflate::OpenStream(&unfinished, 0)); // stored blocks: zlib's business
}

TEST(PdfDeflate, OtherCallersKeepZlib) {
    // This test is not Qt Gui: its stream is zlib's, which takes every flush mode.
    const long before = pdfdeflate::StreamsDeflated();
    z_stream stream{};
    ASSERT_EQ(deflateInit(&stream, Z_DEFAULT_COMPRESSION), Z_OK);
    EXPECT_EQ(deflateParams(&stream, 1, Z_DEFAULT_STRATEGY), Z_OK);
    QByteArray input = PageLike(5000);
    std::vector<unsigned char> out(deflateBound(&stream, uLong(input.size())));
    stream.next_in = reinterpret_cast<Bytef*>(input.data());
    stream.avail_in = uInt(input.size());
    stream.next_out = out.data();
    stream.avail_out = uInt(out.size());
    EXPECT_EQ(deflate(&stream, Z_SYNC_FLUSH), Z_OK);
    EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
    const QByteArray packed(reinterpret_cast<const char*>(out.data()), qsizetype(stream.total_out));
    EXPECT_EQ(deflateEnd(&stream), Z_OK);
    EXPECT_EQ(Inflate(packed, input.size()), input);
    EXPECT_EQ(pdfdeflate::StreamsDeflated(), before);
}

TEST(PdfDeflate, QtsPdfWriterGoesThroughItAndItsFileReadsBack) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(u"pages.pdf"_s);
    const long before = pdfdeflate::StreamsDeflated();
    {
        QPdfWriter writer(path);
        writer.setResolution(600);
        QPainter painter(&writer);
        for (int page = 1; page <= 3; ++page) {
            if (page > 1) {
                ASSERT_TRUE(writer.newPage());
            }
            painter.setFont(QFont(u"AR PL UMing CN"_s, 12));
            for (int line = 0; line < 40; ++line)
                painter.drawText(
                    300, 300 + line * 120,
                    u"第 %1 页 第 %2 行 借方 1,234.%3"_s.arg(page).arg(line).arg(line % 10));
            painter.drawRect(200, 200, 4000, 5000);
        }
        ASSERT_TRUE(painter.end());
    }
    EXPECT_GE(pdfdeflate::StreamsDeflated(), before + 3); // every page's content at least
    const auto check = RunProgram(u"qpdf"_s, {u"--check"_s, path});
    EXPECT_EQ(check.exitCode, 0) << check.OutText().toStdString();
    const auto text = RunProgram(u"pdftotext"_s, {u"-layout"_s, path, u"-"_s});
    ASSERT_EQ(text.exitCode, 0);
    EXPECT_TRUE(text.OutText().contains(u"第 1 页 第 0 行 借方 1,234.0"_s));
    EXPECT_TRUE(text.OutText().contains(u"第 3 页 第 39 行 借方 1,234.9"_s));
}

} // namespace
