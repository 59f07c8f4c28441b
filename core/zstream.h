#pragma once

// zlib streams (RFC 1950) as streams: TZDecompressionStream inflates one
// read from another stream, the source, from the source's position at
// creation on; TZCompressionStream deflates what is written to it onto
// another stream, the target, from the target's position at creation on.

#include <zlib.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "runtime/exceptions.h"
#include "runtime/streams.h"

namespace core {

// A zlib failure: the message text and zlib's return code.
class EZLibError : public runtime::Exception {
  public:
    // The message is the code's text ("data error" for Z_DATA_ERROR).
    explicit EZLibError(int errorCode);
    EZLibError(int errorCode, std::string message)
        : runtime::Exception(std::move(message)), errorCode_(errorCode) {}

    [[nodiscard]] int ErrorCode() const noexcept { return errorCode_; }
    const char* ClassName() const noexcept override { return "EZLibError"; }

  private:
    int errorCode_;
};

class EZDecompressionError : public EZLibError {
  public:
    using EZLibError::EZLibError;
    const char* ClassName() const noexcept override { return "EZDecompressionError"; }
};

class EZCompressionError : public EZLibError {
  public:
    using EZLibError::EZLibError;
    const char* ClassName() const noexcept override { return "EZCompressionError"; }
};

// The text of a zlib return code, from "need dictionary" (2) to
// "incompatible version" (-6).
std::string ZLibErrorText(int code);

inline constexpr const char* SZInvalidOperation = "Invalid ZStream operation!";

class TCustomZStream : public runtime::TStream {
  public:
    static constexpr int64_t InputBufferSize = 65536;

    // Fired after every refill of the input buffer, with the stream as sender.
    std::function<void(runtime::TObject* sender)> OnProgress;

  protected:
    explicit TCustomZStream(runtime::TStream& source);

    runtime::TStream& Source;
    // The source position the stream expects: just after the input it has
    // consumed.
    int64_t SourcePosition;
    z_stream ZRec{};
    std::unique_ptr<Bytef[]> Input;
};

class TZDecompressionStream : public TCustomZStream {
  public:
    // EZDecompressionError when zlib cannot start.
    explicit TZDecompressionStream(runtime::TStream& source);
    ~TZDecompressionStream() override;

    // Up to `count` inflated bytes; fewer only at the end of the compressed
    // data. Corrupt data, and compressed data that the source ends before
    // its end, raise EZDecompressionError ("data error"). When the end is
    // reached, the source stands just after the compressed data.
    int64_t Read(void* buffer, int64_t count) override;
    // Always EZDecompressionError "Invalid ZStream operation!".
    int64_t Write(const void* buffer, int64_t count) override;
    // Answers the bytes delivered so far. Allowed: 0 from the beginning
    // (restart at the source position of creation); forward from the
    // current position or to an offset from the beginning at or beyond the
    // bytes delivered (by reading); 0 from the end (read to the end).
    // Anything else: EZDecompressionError "Invalid ZStream operation!".
    int64_t Seek(int64_t offset, uint16_t origin) override;

  private:
    // Reads and drops `count` bytes; EReadError when the data ends first.
    void Skip(int64_t count);

    const int64_t startPosition_;
    // Bytes delivered since creation or the last restart (zlib's own count
    // is 32-bit on Windows).
    int64_t delivered_ = 0;
    bool streamEnded_ = false;
};

class TZCompressionStream : public runtime::TStream {
  public:
    static constexpr int64_t OutputBufferSize = 65536;

    // `level` is zlib's: 0 (stored) to 9 (smallest), or
    // Z_DEFAULT_COMPRESSION. EZCompressionError when zlib cannot start (a
    // level out of range is a "stream error").
    explicit TZCompressionStream(runtime::TStream& target, int level = Z_DEFAULT_COMPRESSION);
    // Finishes the zlib stream unless Finish ran; a failure there is lost,
    // so a caller that must know calls Finish.
    ~TZCompressionStream() override;

    // Fired after every block of output written to the target, with the
    // stream as sender.
    std::function<void(runtime::TObject* sender)> OnProgress;

    // Always EZCompressionError "Invalid ZStream operation!".
    int64_t Read(void* buffer, int64_t count) override;
    // Takes all `count` bytes; output goes to the target at the position
    // after the output so far, a block at a time. A target that takes less
    // raises EWriteError, after which the stream is broken: writing to a
    // broken or finished stream raises EZCompressionError.
    int64_t Write(const void* buffer, int64_t count) override;
    // The position is always the end of what was written: a seek that does
    // not move answers the bytes taken so far; any other,
    // EZCompressionError "Invalid ZStream operation!".
    int64_t Seek(int64_t offset, uint16_t origin) override;
    int64_t Size() override { return taken_; }

    // Writes the rest of the compressed data and the zlib trailer; the
    // target then stands just after them. Later calls do nothing; on a
    // broken stream, EZCompressionError.
    void Finish();

  private:
    // Deflates what zlib holds with `flush`, writing every full block; with
    // Z_FINISH until the stream ends, then the last partial block.
    void Deflate(int flush);
    void WriteOutput(int64_t count);

    runtime::TStream& target_;
    // Where the next output goes: just after the output so far.
    int64_t targetPosition_;
    z_stream zrec_{};
    std::unique_ptr<Bytef[]> output_;
    // Bytes written to the stream (zlib's own count is 32-bit on Windows).
    int64_t taken_ = 0;
    bool finished_ = false;
    bool broken_ = false;
};

}  // namespace core
