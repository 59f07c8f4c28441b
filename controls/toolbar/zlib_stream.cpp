#include "controls/toolbar/zlib_stream.h"

#include <algorithm>
#include <string>

namespace toolbar {

int ZlibCheck(int code) {
    if (code < 0) throw EZlibError(std::string("Compression error: ") + zError(code));
    return code;
}

TCustomZlibStream::TCustomZlibStream(runtime::TStream& target)
    : Target(target), TargetPosition(target.Position()) {}

TCompressionStream::TCompressionStream(runtime::TStream& target)
    : TCustomZlibStream(target), output_(new Bytef[OutputBufferSize]) {
    ZlibCheck(deflateInit2(&ZState, 9, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY));
    ZState.next_out = output_.get();
    ZState.avail_out = OutputBufferSize;
}

TCompressionStream::~TCompressionStream() {
    if (!finished_) {
        try {
            Finish();
        } catch (const runtime::Exception&) {
            // Nobody can be told from here; Finish is where failures show.
        }
    }
    deflateEnd(&ZState);
}

void TCompressionStream::FlushBuffer(size_t bytes) {
    Target.SetPosition(TargetPosition);
    Target.WriteBuffer(output_.get(), static_cast<int64_t>(bytes));
    TargetPosition = Target.Position();
    ZState.next_out = output_.get();
    ZState.avail_out = OutputBufferSize;
}

int64_t TCompressionStream::Write(const void* buffer, int64_t count) {
    if (finished_) throw EZlibError("Compression error: stream finished");
    auto* in = static_cast<Bytef*>(const_cast<void*>(buffer));
    int64_t left = count;
    while (left > 0) {
        // zlib counts in 32 bits.
        uInt piece = static_cast<uInt>(std::min<int64_t>(left, 1 << 30));
        ZState.next_in = in;
        ZState.avail_in = piece;
        while (ZState.avail_in > 0) {
            ZlibCheck(deflate(&ZState, Z_NO_FLUSH));
            if (ZState.avail_out == 0) FlushBuffer(OutputBufferSize);
        }
        in += piece;
        left -= piece;
    }
    return count;
}

void TCompressionStream::Finish() {
    if (finished_) return;
    finished_ = true;
    ZState.next_in = nullptr;
    ZState.avail_in = 0;
    for (;;) {
        int result = ZlibCheck(deflate(&ZState, Z_FINISH));
        if (ZState.avail_out == 0) FlushBuffer(OutputBufferSize);
        if (result == Z_STREAM_END) break;
    }
    if (ZState.avail_out < OutputBufferSize) FlushBuffer(OutputBufferSize - ZState.avail_out);
}

}  // namespace toolbar
