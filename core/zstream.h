#pragma once

// A read-only stream that inflates a zlib stream (RFC 1950) read from
// another stream, the source, from the source's position at creation on.

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

}  // namespace core
