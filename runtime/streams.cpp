#include "runtime/streams.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

#include "runtime/exceptions.h"

namespace runtime {

namespace {

// CopyFrom's buffer, the class library's size.
constexpr int64_t kCopyBufferSize = 0xF000;

// The smallest block a growing memory stream allocates.
constexpr int64_t kMinMemoryBlock = 256;

// The position a seek asks for; false when it overflows or the origin is
// unknown.
[[nodiscard]] bool seekTarget(int64_t offset, uint16_t origin, int64_t position, int64_t size,
                              int64_t& target) {
    switch (origin) {
        case soFromBeginning:
            target = offset;
            return true;
        case soFromCurrent:
            return !__builtin_add_overflow(position, offset, &target);
        case soFromEnd:
            return !__builtin_add_overflow(size, offset, &target);
        default:
            return false;
    }
}

}  // namespace

// ---- TStream ------------------------------------------------------------------

void TStream::ReadBuffer(void* buffer, int64_t count) {
    if (count != 0 && Read(buffer, count) != count) throw EReadError(SReadError);
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
    if (count != 0 && Write(buffer, count) != count) throw EWriteError(SWriteError);
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    if (count < 0) throw EReadError(SReadError);
    std::vector<uint8_t> buffer(static_cast<size_t>(std::min(count, kCopyBufferSize)));
    for (int64_t left = count; left > 0;) {
        const int64_t n = std::min(left, kCopyBufferSize);
        source.ReadBuffer(buffer.data(), n);
        WriteBuffer(buffer.data(), n);
        left -= n;
    }
    return count;
}

int64_t TStream::Size() {
    const int64_t position = Seek(0, soFromCurrent);
    const int64_t size = Seek(0, soFromEnd);
    Seek(position, soFromBeginning);
    return size;
}

void TStream::SetSize(int64_t) {}

// ---- TCustomMemoryStream ------------------------------------------------------

int64_t TCustomMemoryStream::Read(void* buffer, int64_t count) {
    if (position_ < 0 || count <= 0 || position_ >= size_) return 0;
    const int64_t n = std::min(count, size_ - position_);
    // memmove: a stream may be loaded from itself.
    std::memmove(buffer, static_cast<const uint8_t*>(memory_) + position_, static_cast<size_t>(n));
    position_ += n;
    return n;
}

int64_t TCustomMemoryStream::Seek(int64_t offset, uint16_t origin) {
    int64_t target = 0;
    if (!seekTarget(offset, origin, position_, size_, target)) return -1;
    position_ = target;
    return position_;
}

void TCustomMemoryStream::SaveToStream(TStream& stream) const {
    if (size_ != 0) stream.WriteBuffer(memory_, size_);
}

void TCustomMemoryStream::SaveToFile(const std::string& fileName) const {
    TFileStream file(fileName, fmCreate);
    SaveToStream(file);
}

void TCustomMemoryStream::SaveToFile(const std::u16string& fileName) const {
    TFileStream file(fileName, fmCreate);
    SaveToStream(file);
}

void TCustomMemoryStream::SetPointer(void* ptr, int64_t size) {
    memory_ = ptr;
    size_ = size;
}

// ---- TMemoryStream ------------------------------------------------------------

void TMemoryStream::FreeBlock::operator()(uint8_t* block) const {
    std::free(block);
}

void TMemoryStream::Reserve(int64_t needed, bool exact) {
    // A block that a subclass lent through SetPointer is never written to:
    // the first write copies it into one of our own.
    const bool owned = Memory() == block_.get() && block_ != nullptr;
    if (owned && needed <= capacity_) return;
    int64_t capacity = needed;
    if (!exact) {
        const int64_t grown = capacity_ > std::numeric_limits<int64_t>::max() / 2
                                  ? std::numeric_limits<int64_t>::max()
                                  : capacity_ + capacity_ / 2;
        capacity = std::max({needed, grown, kMinMemoryBlock});
    }
    if (static_cast<uint64_t>(capacity) > std::numeric_limits<size_t>::max() / 2) {
        throw EStreamError(SMemoryStreamError);
    }
    const int64_t keep = std::min(Size(), capacity);
    if (owned) {
        // realloc keeps the bytes; on failure the old block stays valid.
        void* grown = std::realloc(block_.get(), static_cast<size_t>(capacity));
        if (grown == nullptr) throw EStreamError(SMemoryStreamError);
        (void)block_.release();
        block_.reset(static_cast<uint8_t*>(grown));
    } else {
        std::unique_ptr<uint8_t, FreeBlock> block(
            static_cast<uint8_t*>(std::malloc(static_cast<size_t>(capacity))));
        if (block == nullptr) throw EStreamError(SMemoryStreamError);
        if (keep > 0) std::memcpy(block.get(), Memory(), static_cast<size_t>(keep));
        block_ = std::move(block);
    }
    capacity_ = capacity;
    SetPointer(block_.get(), keep);
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
    const int64_t position = CurrentPosition();
    if (position < 0 || count <= 0) return 0;
    int64_t end = 0;
    if (__builtin_add_overflow(position, count, &end)) throw EStreamError(SMemoryStreamError);
    const int64_t size = Size();
    if (end > size || Memory() != block_.get()) {
        // `buffer` may lie inside the block that Reserve replaces.
        std::vector<uint8_t> copy;
        const auto* first = static_cast<const uint8_t*>(Memory());
        const auto* source = static_cast<const uint8_t*>(buffer);
        if (first != nullptr && source >= first && source < first + size) {
            copy.assign(source, source + count);
            buffer = copy.data();
        }
        Reserve(std::max(end, size), false);
        auto* block = static_cast<uint8_t*>(Memory());
        if (position > size) std::memset(block + size, 0, static_cast<size_t>(position - size));
        SetPointer(block, std::max(end, size));
        std::memmove(block + position, buffer, static_cast<size_t>(count));
    } else {
        std::memmove(static_cast<uint8_t*>(Memory()) + position, buffer,
                     static_cast<size_t>(count));
    }
    Seek(end, soFromBeginning);
    return count;
}

void TMemoryStream::SetSize(int64_t newSize) {
    if (newSize < 0) throw EWriteError(SWriteError);
    const int64_t size = Size();
    if (newSize > size) {
        Reserve(newSize, true);
        std::memset(static_cast<uint8_t*>(Memory()) + size, 0, static_cast<size_t>(newSize - size));
    }
    SetPointer(Memory(), newSize);
    if (CurrentPosition() > newSize) Seek(0, soFromEnd);
}

void TMemoryStream::Clear() {
    SetPointer(nullptr, 0);
    block_.reset();
    capacity_ = 0;
    Seek(0, soFromBeginning);
}

void TMemoryStream::LoadFromStream(TStream& stream) {
    stream.SetPosition(0);
    const int64_t count = stream.Size();
    SetSize(count);
    if (count != 0) stream.ReadBuffer(Memory(), count);
}

void TMemoryStream::LoadFromFile(const std::string& fileName) {
    TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(file);
}

void TMemoryStream::LoadFromFile(const std::u16string& fileName) {
    TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(file);
}

// ---- TStringStream ------------------------------------------------------------

int64_t TStringStream::Read(void* buffer, int64_t count) {
    const int64_t size = Size();
    if (count <= 0 || position_ >= size) return 0;
    const int64_t n = std::min(count, size - position_);
    std::memcpy(buffer, data_.data() + position_, static_cast<size_t>(n));
    position_ += n;
    return n;
}

int64_t TStringStream::Write(const void* buffer, int64_t count) {
    if (count <= 0) return 0;
    // Copied first: `buffer` may point into the string that grows.
    const std::string bytes(static_cast<const char*>(buffer), static_cast<size_t>(count));
    const int64_t end = position_ + count;
    if (end > Size()) data_.resize(static_cast<size_t>(end));
    data_.replace(static_cast<size_t>(position_), bytes.size(), bytes);
    position_ = end;
    return count;
}

int64_t TStringStream::Seek(int64_t offset, uint16_t origin) {
    int64_t target = 0;
    if (!seekTarget(offset, origin, position_, Size(), target)) return -1;
    position_ = std::clamp<int64_t>(target, 0, Size());
    return position_;
}

void TStringStream::SetSize(int64_t newSize) {
    if (newSize < 0) throw EWriteError(SWriteError);
    data_.resize(static_cast<size_t>(newSize));
    position_ = std::min(position_, newSize);
}

std::string TStringStream::ReadString(int64_t count) {
    const int64_t size = Size();
    if (count <= 0 || position_ >= size) return {};
    const int64_t n = std::min(count, size - position_);
    std::string result = data_.substr(static_cast<size_t>(position_), static_cast<size_t>(n));
    position_ += n;
    return result;
}

void TStringStream::WriteString(std::string_view s) {
    Write(s.data(), static_cast<int64_t>(s.size()));
}

}  // namespace runtime
