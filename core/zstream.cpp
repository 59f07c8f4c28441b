#include "core/zstream.h"

#include <algorithm>
#include <array>
#include <climits>

namespace core {

namespace {

struct ZLibCodeText {
    int code;
    const char* text;
};

constexpr std::array<ZLibCodeText, 9> kZLibCodeTexts{{
    {Z_NEED_DICT, "need dictionary"},
    {Z_STREAM_END, "stream end"},
    {Z_OK, "ok"},
    {Z_ERRNO, "file error"},
    {Z_STREAM_ERROR, "stream error"},
    {Z_DATA_ERROR, "data error"},
    {Z_MEM_ERROR, "insufficient memory"},
    {Z_BUF_ERROR, "buffer error"},
    {Z_VERSION_ERROR, "incompatible version"},
}};
static_assert(Z_NEED_DICT == 2 && Z_VERSION_ERROR == -6, "zlib's codes as the texts expect");

constexpr int64_t SkipChunk = 8192;

// zlib counts in 32-bit units; larger requests are served in slices.
constexpr int64_t MaxSlice = UINT_MAX;

}  // namespace

std::string ZLibErrorText(int code) {
    for (const ZLibCodeText& row : kZLibCodeTexts) {
        if (row.code == code) return row.text;
    }
    return "unknown error";
}

EZLibError::EZLibError(int errorCode)
    : runtime::Exception(ZLibErrorText(errorCode)), errorCode_(errorCode) {}

TCustomZStream::TCustomZStream(runtime::TStream& source)
    : Source(source),
      SourcePosition(source.Position()),
      Input(std::make_unique<Bytef[]>(InputBufferSize)) {}

TZDecompressionStream::TZDecompressionStream(runtime::TStream& source)
    : TCustomZStream(source), startPosition_(SourcePosition) {
    // inflateInit passes the version and record size of the zlib we link.
    const int code = inflateInit(&ZRec);
    if (code < 0) throw EZDecompressionError(code);
}

TZDecompressionStream::~TZDecompressionStream() {
    inflateEnd(&ZRec);
}

int64_t TZDecompressionStream::Read(void* buffer, int64_t count) {
    if (count <= 0) return 0;
    // Someone else may have moved the source.
    if (Source.Position() != SourcePosition) Source.SetPosition(SourcePosition);

    int64_t left = count;
    auto* out = static_cast<Bytef*>(buffer);
    while (left > 0 && !streamEnded_) {
        if (ZRec.avail_in == 0) {
            const int64_t got = Source.Read(Input.get(), InputBufferSize);
            if (got > 0) {
                ZRec.next_in = Input.get();
                ZRec.avail_in = static_cast<uInt>(got);
                SourcePosition = Source.Position();
                if (OnProgress) OnProgress(this);
            }
            // With the source at its end, inflate still runs: it may hold
            // output of input it has taken.
        }
        const uInt slice = static_cast<uInt>(std::min(left, MaxSlice));
        ZRec.next_out = out;
        ZRec.avail_out = slice;
        const int code = inflate(&ZRec, Z_NO_FLUSH);
        const uInt produced = slice - ZRec.avail_out;
        out += produced;
        left -= produced;
        delivered_ += produced;
        if (code == Z_STREAM_END) {
            streamEnded_ = true;
        } else if (code == Z_BUF_ERROR) {
            // No progress with output space left: the source ended inside
            // the compressed data (zlib's own uncompress calls that a data
            // error too).
            throw EZDecompressionError(Z_DATA_ERROR);
        } else if (code == Z_NEED_DICT) {
            // No dictionary is ever set, so the stream cannot go on.
            throw EZDecompressionError(code);
        } else if (code < 0) {
            throw EZDecompressionError(code);
        }
    }

    if (streamEnded_ && ZRec.avail_in > 0) {
        // Leave the source just after the compressed data.
        Source.Seek(-static_cast<int64_t>(ZRec.avail_in), runtime::soFromCurrent);
        SourcePosition = Source.Position();
        ZRec.avail_in = 0;
    }
    return count - left;
}

int64_t TZDecompressionStream::Write(const void*, int64_t) {
    throw EZDecompressionError(Z_STREAM_ERROR, SZInvalidOperation);
}

int64_t TZDecompressionStream::Seek(int64_t offset, uint16_t origin) {
    if (offset == 0 && origin == runtime::soFromBeginning) {
        const int code = inflateReset(&ZRec);
        if (code < 0) throw EZDecompressionError(code);
        ZRec.avail_in = 0;
        delivered_ = 0;
        streamEnded_ = false;
        Source.SetPosition(startPosition_);
        SourcePosition = startPosition_;
    } else if (offset >= 0 && origin == runtime::soFromCurrent) {
        Skip(offset);
    } else if (origin == runtime::soFromBeginning && offset >= delivered_) {
        Skip(offset - delivered_);
    } else if (offset == 0 && origin == runtime::soFromEnd) {
        Bytef scratch[SkipChunk];
        while (Read(scratch, SkipChunk) > 0) {
        }
    } else {
        throw EZDecompressionError(Z_STREAM_ERROR, SZInvalidOperation);
    }
    return delivered_;
}

TZCompressionStream::TZCompressionStream(runtime::TStream& target, int level)
    : target_(target),
      targetPosition_(target.Position()),
      output_(std::make_unique<Bytef[]>(OutputBufferSize)) {
    const int code = deflateInit(&zrec_, level);
    if (code < 0) throw EZCompressionError(code);
    zrec_.next_out = output_.get();
    zrec_.avail_out = static_cast<uInt>(OutputBufferSize);
}

TZCompressionStream::~TZCompressionStream() {
    if (!broken_) {
        try {
            Finish();
        } catch (...) {
            // Nothing can report it from here; see the header.
        }
    }
    deflateEnd(&zrec_);
}

int64_t TZCompressionStream::Read(void*, int64_t) {
    throw EZCompressionError(Z_STREAM_ERROR, SZInvalidOperation);
}

int64_t TZCompressionStream::Write(const void* buffer, int64_t count) {
    if (finished_ || broken_) throw EZCompressionError(Z_STREAM_ERROR, SZInvalidOperation);
    if (count <= 0) return 0;
    auto* in = static_cast<const Bytef*>(buffer);
    int64_t left = count;
    try {
        while (left > 0) {
            const uInt slice = static_cast<uInt>(std::min(left, MaxSlice));
            // zlib does not write through next_in.
            zrec_.next_in = const_cast<Bytef*>(in);
            zrec_.avail_in = slice;
            Deflate(Z_NO_FLUSH);
            in += slice;
            left -= slice;
            taken_ += slice;
        }
    } catch (...) {
        // Output is lost: the compressed data can no longer be completed.
        broken_ = true;
        throw;
    }
    return count;
}

int64_t TZCompressionStream::Seek(int64_t offset, uint16_t origin) {
    const bool staysPut = (origin == runtime::soFromCurrent && offset == 0) ||
                          (origin == runtime::soFromEnd && offset == 0) ||
                          (origin == runtime::soFromBeginning && offset == taken_);
    if (!staysPut) throw EZCompressionError(Z_STREAM_ERROR, SZInvalidOperation);
    return taken_;
}

void TZCompressionStream::Finish() {
    if (broken_) throw EZCompressionError(Z_STREAM_ERROR, SZInvalidOperation);
    if (finished_) return;
    zrec_.next_in = nullptr;
    zrec_.avail_in = 0;
    try {
        Deflate(Z_FINISH);
    } catch (...) {
        broken_ = true;
        throw;
    }
    finished_ = true;
}

void TZCompressionStream::Deflate(int flush) {
    for (;;) {
        const int code = deflate(&zrec_, flush);
        if (code < 0 && code != Z_BUF_ERROR) throw EZCompressionError(code);
        if (zrec_.avail_out == 0) {
            WriteOutput(OutputBufferSize);
            continue;
        }
        // Room left over: zlib has taken all the input; with Z_FINISH it
        // has written the end, or can make no progress at all.
        if (flush != Z_FINISH || code == Z_STREAM_END) break;
        if (code == Z_BUF_ERROR) throw EZCompressionError(code);
    }
    if (flush == Z_FINISH) {
        WriteOutput(OutputBufferSize - zrec_.avail_out);
    }
}

void TZCompressionStream::WriteOutput(int64_t count) {
    if (count > 0) {
        // Someone else may have moved the target.
        if (target_.Position() != targetPosition_) target_.SetPosition(targetPosition_);
        target_.WriteBuffer(output_.get(), count);
        targetPosition_ = target_.Position();
    }
    zrec_.next_out = output_.get();
    zrec_.avail_out = static_cast<uInt>(OutputBufferSize);
    if (count > 0 && OnProgress) OnProgress(this);
}

void TZDecompressionStream::Skip(int64_t count) {
    Bytef scratch[SkipChunk];
    while (count > 0) {
        const int64_t chunk = std::min(count, SkipChunk);
        ReadBuffer(scratch, chunk);
        count -= chunk;
    }
}

}  // namespace core
