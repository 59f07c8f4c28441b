#pragma once

// Reading memory that may not be there: module images, stacks, code bytes
// and objects named by addresses that a fault or a stack slot supplied.
// Every read goes through the system (ReadProcessMemory on this process),
// so an unmapped or guarded byte makes a read fail instead of faulting.

#include <cstddef>
#include <cstdint>

#include "runtime/streams.h"

namespace crashreport {

// Bytes readable from address on, up to length and across adjacent regions:
// committed memory whose protection is plain readable (guard and no-cache
// pages end the count).
size_t ReadableCount(uintptr_t address, size_t length);
bool IsReadable(uintptr_t address, size_t length);

// Copies count bytes at address into buffer; false (buffer undefined) when
// any of them cannot be read.
[[nodiscard]] bool SafeRead(uintptr_t address, void* buffer, size_t count);

template <class T>
[[nodiscard]] bool SafeReadValue(uintptr_t address, T& value) {
    return SafeRead(address, &value, sizeof value);
}

// A stream over a loaded module's image, from its base. Reads that reach
// bytes which cannot be read return nothing, so every PE header or table
// read through it fails cleanly. Read-only.
class THModuleStream : public runtime::TStream {
  public:
    explicit THModuleStream(uintptr_t base) : base_(base) {}

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, uint16_t origin) override;
    int64_t Size() override { return 0x7FFFFFFF; }

    // Reads count bytes at the position; false and no move when any of them
    // cannot be read.
    [[nodiscard]] bool SafeRead(void* buffer, int64_t count);

  private:
    uintptr_t base_;
    int64_t position_ = 0;
};

}  // namespace crashreport
