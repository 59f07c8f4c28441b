#pragma once

// Streams of the class library: the abstract TStream, memory streams, file
// streams and the string stream. Positions and sizes are 64-bit.
//
// File names are 8-bit strings in the system code page, or UTF-16. Natively
// both are turned into the UTF-8 name the file system uses.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "runtime/object.h"
#include "runtime/os/kernel_handles.h"

namespace runtime {

// Seek origins.
inline constexpr uint16_t soFromBeginning = 0;
inline constexpr uint16_t soFromCurrent = 1;
inline constexpr uint16_t soFromEnd = 2;

// File stream modes: one access mode or'ed with one share mode, or fmCreate
// (create or truncate, opened for reading and writing, not shared).
inline constexpr uint16_t fmCreate = 0xFFFF;
inline constexpr uint16_t fmOpenRead = 0x0000;
inline constexpr uint16_t fmOpenWrite = 0x0001;
inline constexpr uint16_t fmOpenReadWrite = 0x0002;
inline constexpr uint16_t fmShareCompat = 0x0000;
inline constexpr uint16_t fmShareExclusive = 0x0010;
inline constexpr uint16_t fmShareDenyWrite = 0x0020;
inline constexpr uint16_t fmShareDenyRead = 0x0030;
inline constexpr uint16_t fmShareDenyNone = 0x0040;

// Messages of the stream errors; "%s" is the file name.
inline constexpr const char* SReadError = "Stream read error";
inline constexpr const char* SWriteError = "Stream write error";
inline constexpr const char* SFCreateError = "Cannot create file %s";
inline constexpr const char* SFOpenError = "Cannot open file %s";
inline constexpr const char* SMemoryStreamError = "Out of memory while expanding memory stream";

class TStream : public TObject {
  public:
    // Read and Write move up to `count` bytes and return how many they moved
    // (0 for a count <= 0). Seek returns the new position, or -1 when the
    // stream cannot move there.
    virtual int64_t Read(void* buffer, int64_t count) = 0;
    virtual int64_t Write(const void* buffer, int64_t count) = 0;
    virtual int64_t Seek(int64_t offset, uint16_t origin) = 0;

    // Exactly `count` bytes or EReadError / EWriteError.
    void ReadBuffer(void* buffer, int64_t count);
    void WriteBuffer(const void* buffer, int64_t count);
    // Copies `count` bytes from the source's position; count 0 copies the
    // whole source from its start. Returns the count copied. A source that
    // ends early raises EReadError; a negative count too.
    int64_t CopyFrom(TStream& source, int64_t count);

    int64_t Position() { return Seek(0, soFromCurrent); }
    void SetPosition(int64_t position) { Seek(position, soFromBeginning); }
    // The base measures with Seek and returns to the position.
    virtual int64_t Size();
    // Does nothing in the base.
    virtual void SetSize(int64_t newSize);
};

// A stream over a block of memory. Positions beyond the end are allowed:
// reading there gives nothing; writing (TMemoryStream) extends the stream
// and fills the gap with zero bytes.
class TCustomMemoryStream : public TStream {
  public:
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, uint16_t origin) override;
    int64_t Size() override { return size_; }

    void SaveToStream(TStream& stream) const;
    void SaveToFile(const std::string& fileName) const;
    void SaveToFile(const std::u16string& fileName) const;

    // The stream's bytes (null when it has none yet).
    [[nodiscard]] void* Memory() const { return memory_; }

  protected:
    // Makes the stream view `size` bytes at `ptr`; the stream does not own
    // them. The position is kept.
    void SetPointer(void* ptr, int64_t size);

    [[nodiscard]] int64_t CurrentPosition() const { return position_; }

  private:
    void* memory_ = nullptr;
    int64_t size_ = 0;
    int64_t position_ = 0;
};

// A memory stream that owns and grows its block (geometrically, so that a
// run of small writes costs amortised constant time per byte).
class TMemoryStream : public TCustomMemoryStream {
  public:
    TMemoryStream() = default;
    ~TMemoryStream() override = default;

    int64_t Write(const void* buffer, int64_t count) override;
    // New bytes are zero; a position beyond the new end moves to the end.
    void SetSize(int64_t newSize) override;
    // Frees the block; size and position become 0.
    void Clear();

    // Replaces the content with the whole of `stream` (read from its start).
    void LoadFromStream(TStream& stream);
    void LoadFromFile(const std::string& fileName);
    void LoadFromFile(const std::u16string& fileName);

  private:
    // Makes room for `needed` bytes in a block the stream owns, copying what
    // the stream holds; `exact` asks for no spare room.
    void Reserve(int64_t needed, bool exact);

    // The block comes from malloc so that growing it can realloc in place
    // (large blocks move by remapping their pages rather than by copying
    // them into freshly faulted memory).
    struct FreeBlock {
        void operator()(uint8_t* block) const;
    };
    std::unique_ptr<uint8_t, FreeBlock> block_;
    int64_t capacity_ = 0;
};

// A stream over an OS file handle that it does not own (a HANDLE on Windows,
// a file descriptor natively).
class THandleStream : public TStream {
  public:
    using THandle = intptr_t;

    explicit THandleStream(THandle handle) : handle_(handle) {}

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, uint16_t origin) override;
    // Moves the end of the file (and the position) to newSize; EOSError
    // when the system refuses.
    void SetSize(int64_t newSize) override;

    [[nodiscard]] THandle Handle() const { return handle_; }

  protected:
    THandle handle_;
};

// Opens or creates a file. Errors: EFCreateError "Cannot create file <name>"
// (fmCreate), EFOpenError "Cannot open file <name>" (every other mode).
// The share flags are honoured on Windows; natively they are accepted and
// have no effect.
class TFileStream : public THandleStream {
  public:
    TFileStream(const std::string& fileName, uint16_t mode);
    TFileStream(const std::u16string& fileName, uint16_t mode);

    [[nodiscard]] const std::string& FileName() const { return fileName_; }

  private:
    // The handle the stream works on; closed with the stream.
    os::TFileHandle file_;
    std::string fileName_;
};

// A stream over an 8-bit string. Seeking is kept within 0..length.
class TStringStream : public TStream {
  public:
    explicit TStringStream(std::string dataString = {}) : data_(std::move(dataString)) {}

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, uint16_t origin) override;
    int64_t Size() override { return static_cast<int64_t>(data_.size()); }
    void SetSize(int64_t newSize) override;

    // Up to `count` bytes from the position.
    std::string ReadString(int64_t count);
    void WriteString(std::string_view s);

    [[nodiscard]] const std::string& DataString() const { return data_; }

  private:
    std::string data_;
    int64_t position_ = 0;
};

}  // namespace runtime
