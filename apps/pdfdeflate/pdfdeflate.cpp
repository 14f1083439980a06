#include "pdfdeflate.h"

#include <dlfcn.h>
#include <libdeflate.h>
#include <link.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace karvell::pdfdeflate {
namespace {

// Marks a stream state as one of ours. zlib's own state begins with a pointer to its stream,
// which can never be the address of this object.
const char kTag = 0;

// Bytes that are never zero-filled: the compressor overwrites what it hands out.
struct Bytes {
    std::unique_ptr<unsigned char[]> data;
    size_t size = 0;
    size_t capacity = 0;

    void Reserve(size_t n) {
        if (n <= capacity) return;
        std::unique_ptr<unsigned char[]> grown(new unsigned char[n]);
        if (size > 0) std::memcpy(grown.get(), data.get(), size);
        data = std::move(grown);
        capacity = n;
    }
    void Append(const unsigned char* from, size_t n) {
        if (size + n > capacity) Reserve(std::max(size + n, capacity + capacity / 2));
        std::memcpy(data.get() + size, from, n);
        size += n;
    }
};

// A thread's buffers, kept between streams: a page's stream is about the size of the one before,
// and fresh buffers for each would be allocated, faulted in and copied as they grow.
struct Buffers {
    Bytes input;
    Bytes output;
};

Buffers& Spare() {
    thread_local Buffers spare;
    return spare;
}

Buffers TakeBuffers() {
    Buffers taken = std::exchange(Spare(), Buffers{});
    taken.input.size = taken.output.size = 0;
    return taken;
}

void ReturnBuffers(Buffers&& buffers) {
    // A stream much larger than a page (an image) is not worth keeping.
    constexpr size_t kKeep = size_t(8) << 20;
    if (buffers.input.capacity <= kKeep && buffers.output.capacity <= kKeep)
        Spare() = std::move(buffers);
}

// A stream deflated whole: the input is kept until Z_FINISH, then compressed at once and
// handed out as the caller's output buffer allows.
struct WholeStream {
    const void* tag = &kTag; // first, where zlib keeps its stream pointer
    int level = 6;
    Buffers buffers = TakeBuffers();
    size_t handedOut = 0;
    bool finished = false;

    ~WholeStream() { ReturnBuffers(std::move(buffers)); }
};

std::atomic<long> g_deflated{0};

WholeStream* Ours(z_streamp stream) {
    if (!stream || !stream->state) return nullptr;
    // Read as bytes: the state is usually zlib's, whose first member is a pointer too.
    const void* tag = nullptr;
    std::memcpy(&tag, static_cast<const void*>(stream->state), sizeof tag);
    return tag == &kTag ? reinterpret_cast<WholeStream*>(stream->state) : nullptr;
}

// One compressor per thread, kept between streams: making one costs more than a page's worth
// of compression.
libdeflate_compressor* Compressor(int level) {
    struct Cache {
        libdeflate_compressor* compressor = nullptr;
        int level = -1;
        ~Cache() { libdeflate_free_compressor(compressor); }
    };
    thread_local Cache cache;
    if (!cache.compressor || cache.level != level) {
        libdeflate_free_compressor(cache.compressor);
        cache.compressor = libdeflate_alloc_compressor(level);
        cache.level = level;
    }
    return cache.compressor;
}

// Compresses everything collected; zlib's compress2 when libdeflate cannot make a compressor.
bool Compress(WholeStream& whole) {
    const Bytes& input = whole.buffers.input;
    Bytes& output = whole.buffers.output;
    if (libdeflate_compressor* compressor = Compressor(whole.level)) {
        output.Reserve(libdeflate_zlib_compress_bound(compressor, input.size));
        output.size = libdeflate_zlib_compress(compressor, input.data.get(), input.size,
                                               output.data.get(), output.capacity);
        if (output.size > 0) return true;
    }
    uLongf n = compressBound(uLong(input.size));
    output.Reserve(n);
    if (compress2(output.data.get(), &n, input.data.get(), uLong(input.size), whole.level) != Z_OK)
        return false;
    output.size = n;
    return true;
}

// The checksum of the input, which a zlib stream ends with (big-endian).
uLong TrailingAdler32(const Bytes& zlibStream) {
    const unsigned char* end = zlibStream.data.get() + zlibStream.size;
    return (uLong(end[-4]) << 24) | (uLong(end[-3]) << 16) | (uLong(end[-2]) << 8) | end[-1];
}

int Deflate(z_streamp stream, WholeStream& whole, int flush) {
    if (flush != Z_NO_FLUSH && flush != Z_FINISH) return Z_STREAM_ERROR;
    if (stream->avail_in > 0) {
        if (whole.finished || !stream->next_in) return Z_STREAM_ERROR;
        whole.buffers.input.Append(stream->next_in, stream->avail_in);
        stream->next_in += stream->avail_in;
        stream->total_in += stream->avail_in;
        stream->avail_in = 0;
    }
    if (flush == Z_NO_FLUSH) return Z_OK;
    if (!whole.finished) {
        if (!Compress(whole)) return Z_MEM_ERROR;
        whole.finished = true;
        stream->adler = TrailingAdler32(whole.buffers.output);
        ++g_deflated;
    }
    const Bytes& output = whole.buffers.output;
    const size_t n = std::min<size_t>(stream->avail_out, output.size - whole.handedOut);
    if (n == 0 && whole.handedOut < output.size) return Z_BUF_ERROR;
    if (n > 0) std::memcpy(stream->next_out, output.data.get() + whole.handedOut, n);
    stream->next_out += n;
    stream->avail_out -= uInt(n);
    stream->total_out += n;
    whole.handedOut += n;
    return whole.handedOut == output.size ? Z_STREAM_END : Z_OK;
}

// Qt Gui's code, found once: dladdr would search the library's symbols on every call.
struct CodeRange {
    uintptr_t begin = 0;
    uintptr_t end = 0;
};

std::vector<CodeRange> QtGuiCode() {
    std::vector<CodeRange> ranges;
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* data) {
            if (!info->dlpi_name || !std::strstr(info->dlpi_name, "libQt6Gui.so")) return 0;
            for (int i = 0; i < info->dlpi_phnum; ++i) {
                const ElfW(Phdr)& segment = info->dlpi_phdr[i];
                if (segment.p_type != PT_LOAD || !(segment.p_flags & PF_X)) continue;
                const uintptr_t begin = info->dlpi_addr + segment.p_vaddr;
                static_cast<std::vector<CodeRange>*>(data)->push_back(
                    {begin, begin + segment.p_memsz});
            }
            return 0;
        },
        &ranges);
    return ranges;
}

bool CalledFromQtGui(const void* address) {
    static const std::vector<CodeRange> code = QtGuiCode();
    const auto at = reinterpret_cast<uintptr_t>(address);
    return std::any_of(code.begin(), code.end(),
                       [at](const CodeRange& r) { return at >= r.begin && at < r.end; });
}

template <typename Function> Function Zlib(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

} // namespace

bool OpenStream(z_streamp stream, int level) {
    if (level == Z_DEFAULT_COMPRESSION) level = kLevel;
    if (!stream || level < 1 || level > 9) return false; // zlib's own answer for the rest
    auto* whole = new (std::nothrow) WholeStream;
    if (!whole) return false;
    whole->level = level;
    stream->state = reinterpret_cast<internal_state*>(whole);
    stream->total_in = stream->total_out = 0;
    stream->msg = nullptr;
    stream->adler = 1;
    stream->data_type = Z_UNKNOWN;
    return true;
}

long StreamsDeflated() {
    return g_deflated;
}

} // namespace karvell::pdfdeflate

using namespace karvell::pdfdeflate;

extern "C" int deflateInit_(z_streamp stream, int level, const char* version, int streamSize) {
    using Init = int (*)(z_streamp, int, const char*, int);
    static const Init zlibInit = Zlib<Init>("deflateInit_");
    const bool compatible =
        version && version[0] == ZLIB_VERSION[0] && streamSize == int(sizeof(z_stream));
    if (compatible && CalledFromQtGui(__builtin_return_address(0)) && OpenStream(stream, level))
        return Z_OK;
    return zlibInit ? zlibInit(stream, level, version, streamSize) : Z_VERSION_ERROR;
}

extern "C" int deflate(z_streamp stream, int flush) {
    using Fn = int (*)(z_streamp, int);
    static const Fn zlibDeflate = Zlib<Fn>("deflate");
    if (WholeStream* whole = Ours(stream)) {
        try {
            return Deflate(stream, *whole, flush);
        } catch (const std::bad_alloc&) {
            return Z_MEM_ERROR;
        }
    }
    return zlibDeflate ? zlibDeflate(stream, flush) : Z_STREAM_ERROR;
}

extern "C" int deflateEnd(z_streamp stream) {
    using Fn = int (*)(z_streamp);
    static const Fn zlibEnd = Zlib<Fn>("deflateEnd");
    if (WholeStream* whole = Ours(stream)) {
        const bool complete = whole->finished && whole->handedOut == whole->buffers.output.size;
        delete whole;
        stream->state = nullptr;
        return complete ? Z_OK : Z_DATA_ERROR;
    }
    return zlibEnd ? zlibEnd(stream) : Z_STREAM_ERROR;
}
