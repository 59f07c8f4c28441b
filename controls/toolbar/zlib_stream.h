#pragma once

// The deflate output stream of the PNG writer, and the zlib error that both
// PNG directions raise.

#include <zlib.h>

#include <cstdint>
#include <memory>

#include "runtime/exceptions.h"
#include "runtime/streams.h"

namespace toolbar {

// A zlib failure: "Compression error: " and zlib's text for the result.
class EZlibError : public runtime::Exception {
  public:
    using Exception::Exception;
    const char* ClassName() const noexcept override { return "EZlibError"; }
};

// Returns `code` when it is not negative; raises EZlibError otherwise.
int ZlibCheck(int code);

// What the zlib streams share: the target and zlib's state.
class TCustomZlibStream : public runtime::TObject {
  protected:
    explicit TCustomZlibStream(runtime::TStream& target);

    runtime::TStream& Target;
    // Where the next output goes in the target; the target may be moved by
    // others between writes.
    int64_t TargetPosition;
    z_stream ZState{};
};

// Deflates everything written to it into the target: level 9, 15-bit
// window, memory level 8, default strategy, output in 64 KiB pieces.
class TCompressionStream : public TCustomZlibStream {
  public:
    static constexpr size_t OutputBufferSize = 65536;

    explicit TCompressionStream(runtime::TStream& target);
    // Finishes the stream when Finish was not called (errors are lost
    // there: call Finish to see them), then ends zlib's state.
    ~TCompressionStream() override;

    TCompressionStream(const TCompressionStream&) = delete;
    TCompressionStream& operator=(const TCompressionStream&) = delete;

    // Compresses `count` bytes; returns count.
    int64_t Write(const void* buffer, int64_t count);
    // Ends the deflate stream and writes what remains. Further writes are
    // an error.
    void Finish();

  private:
    void FlushBuffer(size_t bytes);

    std::unique_ptr<Bytef[]> output_;
    bool finished_ = false;
};

}  // namespace toolbar
