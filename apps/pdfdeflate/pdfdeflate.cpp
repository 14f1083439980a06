#include "pdfdeflate.h"

#include <dlfcn.h>
#include <libdeflate.h>
#include <link.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

namespace karvell::pdfdeflate {
namespace {

// Marks a stream state as one of ours. zlib's own state begins with a pointer to its stream,
// which can never be the address of this object.
const char kTag = 0;

// A stream deflated whole: the input is kept until Z_FINISH, then compressed at once and
// handed out as the caller's output buffer allows.
struct WholeStream {
    const void* tag = &kTag; // first, where zlib keeps its stream pointer
    int level = 6;
    std::vector<unsigned char> input;
    std::vector<unsigned char> output;
    size_t handedOut = 0;
    bool finished = false;
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
    const unsigned char* in = whole.input.data();
    const size_t size = whole.input.size();
    if (libdeflate_compressor* compressor = Compressor(whole.level)) {
        whole.output.resize(libdeflate_zlib_compress_bound(compressor, size));
        const size_t n = libdeflate_zlib_compress(compressor, in, size, whole.output.data(),
                                                  whole.output.size());
        if (n > 0) {
            whole.output.resize(n);
            return true;
        }
    }
    uLongf n = compressBound(uLong(size));
    whole.output.resize(n);
    if (compress2(whole.output.data(), &n, in, uLong(size), whole.level) != Z_OK) return false;
    whole.output.resize(n);
    return true;
}

int Deflate(z_streamp stream, WholeStream& whole, int flush) {
    if (flush != Z_NO_FLUSH && flush != Z_FINISH) return Z_STREAM_ERROR;
    if (stream->avail_in > 0) {
        if (whole.finished || !stream->next_in) return Z_STREAM_ERROR;
        whole.input.insert(whole.input.end(), stream->next_in, stream->next_in + stream->avail_in);
        stream->next_in += stream->avail_in;
        stream->total_in += stream->avail_in;
        stream->avail_in = 0;
    }
    if (flush == Z_NO_FLUSH) return Z_OK;
    if (!whole.finished) {
        if (!Compress(whole)) return Z_MEM_ERROR;
        whole.finished = true;
        stream->adler = libdeflate_adler32(1, whole.input.data(), whole.input.size());
        whole.input = {};
        ++g_deflated;
    }
    const size_t n = std::min<size_t>(stream->avail_out, whole.output.size() - whole.handedOut);
    if (n == 0 && whole.handedOut < whole.output.size()) return Z_BUF_ERROR;
    if (n > 0) std::memcpy(stream->next_out, whole.output.data() + whole.handedOut, n);
    stream->next_out += n;
    stream->avail_out -= uInt(n);
    stream->total_out += n;
    whole.handedOut += n;
    return whole.handedOut == whole.output.size() ? Z_STREAM_END : Z_OK;
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
        const bool complete = whole->finished && whole->handedOut == whole->output.size();
        delete whole;
        stream->state = nullptr;
        return complete ? Z_OK : Z_DATA_ERROR;
    }
    return zlibEnd ? zlibEnd(stream) : Z_STREAM_ERROR;
}
