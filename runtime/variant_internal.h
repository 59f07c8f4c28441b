#pragma once

// Internals shared by variant.cpp, variant_ops.cpp and variant_array.cpp:
// the heap payloads, raw access to a Variant's fields and the conversion
// primitives the operators reuse. Not part of the runtime's interface.

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <memory>
#include <new>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/variant.h"

namespace runtime {

struct VariantHeap {
    // Arrays are copied on assignment and keep this at 1; strings and
    // dispatch holders are shared between copies. Which derived type a heap
    // is follows from the Variant's type code (ReleaseHeap frees by it).
    std::atomic<int32_t> refs{1};
    // The account the heap's memory is charged to (nullptr: none) and how
    // much; refunded when the heap is freed.
    VariantMemoryAccount* account = nullptr;
    size_t charged = 0;

    // Whether the Variant that holds this heap is its only holder.
    bool Unique() const noexcept { return refs.load(std::memory_order_acquire) == 1; }
};

// The charge of one allocation to the account current on the thread: taken
// before the memory is allocated (EOutOfMemory beyond the limit), handed to
// the heap once it exists, given back if it never is.
struct VariantMemoryCharge {
    explicit VariantMemoryCharge(size_t bytes);
    ~VariantMemoryCharge() {
        if (account != nullptr) Refund(account, bytes);
    }
    VariantMemoryCharge(const VariantMemoryCharge&) = delete;
    VariantMemoryCharge& operator=(const VariantMemoryCharge&) = delete;

    void HandTo(VariantHeap& heap) noexcept {
        heap.account = account;
        heap.charged = bytes;
        account = nullptr;
    }
    // What a heap holds goes back to its account (none: nothing).
    static void RefundHeap(VariantHeap& heap) noexcept {
        if (heap.account != nullptr) Refund(heap.account, heap.charged);
        heap.account = nullptr;
    }
    // A heap whose memory grows or shrinks to `bytes` is charged the
    // difference on its own account (EOutOfMemory beyond its limit).
    static void Recharge(VariantHeap& heap, size_t bytes);
    static void Refund(VariantMemoryAccount* account, size_t bytes) noexcept;

    VariantMemoryAccount* account = nullptr;
    size_t bytes = 0;
};

namespace variant_internal {

// Long copies and fills go in pieces of this many bytes, with the current
// account's progress check between them (VariantMemoryAccount).
inline constexpr size_t kProgressPieceBytes = size_t{1} << 20;

// Copies n characters in pieces, checking progress between them.
template <typename Char>
void CopyInPieces(Char* to, const Char* from, size_t n) {
    constexpr size_t piece = kProgressPieceBytes / sizeof(Char);
    while (n > piece) {
        VariantMemoryAccount::CheckProgress();
        std::char_traits<Char>::copy(to, from, piece);
        to += piece;
        from += piece;
        n -= piece;
    }
    if (n != 0) std::char_traits<Char>::copy(to, from, n);
}

// Below this length a part of a string is always copied: a copy of a short
// text costs less than the reference that sharing keeps.
inline constexpr size_t kMinSharedTextLength = 256;
// A string moved into a Variant from this length up keeps its buffer
// instead of being copied.
inline constexpr size_t kMinAdoptedTextLength = 1024;

// The text of a varString (Char = char) or varOleStr (char16_t) value, in
// one allocation: the header, then the characters and a terminating zero.
// Two other storages exist for long texts: a std::basic_string moved in
// (Adopted, its buffer kept) and a part of another heap's text (Slice, which
// holds a reference to that heap). Readers see only `data` and `size`.
template <typename Char>
struct TextHeap final : VariantHeap {
    using String = std::basic_string<Char>;
    using View = std::basic_string_view<Char>;
    enum class Storage : uint8_t { Inline, Adopted, Slice };

    Storage storage = Storage::Inline;
    size_t size = 0;
    const Char* data = nullptr;
    TextHeap* root = nullptr;  // Slice: the heap whose characters these are
    size_t room = 0;           // Inline: characters that fit (size and spare)

    View Text() const { return {data, size}; }

    // A heap of n characters for the caller to fill (MutableChars), zero
    // terminated, with room for `room` (at least n) before it must move.
    static TextHeap* Make(size_t n, size_t room = 0) {
        if (room < n) room = n;
        if (room > (SIZE_MAX - sizeof(TextHeap)) / sizeof(Char) - 1) throw std::bad_alloc();
        const size_t bytes = sizeof(TextHeap) + (room + 1) * sizeof(Char);
        VariantMemoryCharge charge(bytes);
        void* memory = ::operator new(bytes);
        auto* heap = new (memory) TextHeap();
        Char* chars = reinterpret_cast<Char*>(heap + 1);
        chars[n] = Char();
        heap->size = n;
        heap->data = chars;
        heap->room = room;
        charge.HandTo(*heap);
        return heap;
    }
    static TextHeap* Copy(View text) {
        TextHeap* heap = Make(text.size());
        try {
            CopyInPieces(heap->MutableChars(), text.data(), text.size());
        } catch (...) {
            Release(heap);
            throw;
        }
        return heap;
    }
    static TextHeap* Adopt(String&& text) {
        if (text.size() < kMinAdoptedTextLength) return Copy(text);
        VariantMemoryCharge charge(sizeof(TextHeap) + sizeof(String) +
                                   (text.capacity() + 1) * sizeof(Char));
        void* memory = ::operator new(sizeof(TextHeap) + sizeof(String));
        auto* heap = new (memory) TextHeap();
        auto* kept = new (heap + 1) String(std::move(text));
        heap->storage = Storage::Adopted;
        heap->size = kept->size();
        heap->data = kept->data();
        charge.HandTo(*heap);
        return heap;
    }
    // Characters [offset, offset + n) of `source` (in range): shared with
    // the heap that holds them when the part is long and keeps at least
    // half of that heap's text alive, else copied.
    static TextHeap* Part(TextHeap& source, size_t offset, size_t n) {
        TextHeap& holder = source.storage == Storage::Slice ? *source.root : source;
        if (n < kMinSharedTextLength || n < holder.size - n)
            return Copy(source.Text().substr(offset, n));
        VariantMemoryCharge charge(sizeof(TextHeap));
        auto* heap = new (::operator new(sizeof(TextHeap))) TextHeap();
        holder.refs.fetch_add(1, std::memory_order_relaxed);
        heap->storage = Storage::Slice;
        heap->size = n;
        heap->data = source.data + offset;
        heap->root = &holder;
        charge.HandTo(*heap);
        return heap;
    }
    Char* MutableChars() { return reinterpret_cast<Char*>(this + 1); }

    // `heap` followed by the tails, for the Variant that holds `heap`: in
    // place when it is that Variant's alone and has the room; otherwise a
    // new heap with room to grow (by half again) takes the text and the
    // holder's reference to `heap` is given up. A tail may lie in `heap`.
    static TextHeap* Append(TextHeap* heap, std::span<const View> tails) {
        const size_t size = heap->size;
        size_t needed = size;
        for (View tail : tails) {
            if (tail.size() > SIZE_MAX / 2 - needed) throw std::bad_alloc();
            needed += tail.size();
        }
        const bool inPlace =
            heap->storage == Storage::Inline && heap->Unique() && needed <= heap->room;
        TextHeap* target = inPlace ? heap : Make(needed, std::max(needed, size + size / 2 + 16));
        Char* chars = target->MutableChars();
        try {
            if (!inPlace) CopyInPieces(chars, heap->data, size);
            // A tail that is this very text lies wholly before `size`,
            // where nothing is written.
            size_t at = size;
            for (View tail : tails) {
                CopyInPieces(chars + at, tail.data(), tail.size());
                at += tail.size();
            }
        } catch (...) {
            // Stopped part way: the text is as it was.
            if (inPlace)
                chars[size] = Char();
            else
                Release(target);
            throw;
        }
        chars[needed] = Char();
        target->size = needed;
        if (!inPlace) Release(heap);
        return target;
    }
    // The heap of the Variant that holds `heap`, made its own to write in:
    // `heap` itself when it is unshared and holds its characters, else a
    // copy (and the holder's reference to `heap` is given up).
    static TextHeap* Unshared(TextHeap* heap) {
        if (heap->storage != Storage::Slice && heap->Unique()) return heap;
        TextHeap* copy = Copy(heap->Text());
        Release(heap);
        return copy;
    }
    // The characters of an unshared heap (Unshared).
    Char* WritableChars() { return const_cast<Char*>(data); }

    static void Release(TextHeap* heap) noexcept {
        while (heap != nullptr && heap->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) {
            TextHeap* root = heap->root;
            VariantMemoryCharge::RefundHeap(*heap);
            if (heap->storage == Storage::Adopted) reinterpret_cast<String*>(heap + 1)->~String();
            heap->~TextHeap();
            ::operator delete(static_cast<void*>(heap));
            heap = root;
        }
    }
};

using AnsiHeap = TextHeap<char>;
using WideHeap = TextHeap<char16_t>;

struct DispatchHeap final : VariantHeap {
    explicit DispatchHeap(std::shared_ptr<IVariantDispatch> p) : object(std::move(p)) {}
    const std::shared_ptr<IVariantDispatch> object;
};

struct ArrayHeap final : VariantHeap {
    TVarType elementType = varVariant;
    std::vector<TVarArrayBound> bounds;  // dimension 1 first
    std::vector<Variant> elements;       // dimension 1 varies fastest

    // Runs work(from, count) over `total` elements in pieces, checking
    // progress between them.
    template <typename Work>
    static void InPieces(size_t total, Work&& work) {
        constexpr size_t piece = kProgressPieceBytes / sizeof(Variant);
        for (size_t from = 0; from < total; from += piece) {
            if (from != 0) VariantMemoryAccount::CheckProgress();
            work(from, std::min(piece, total - from));
        }
    }
    // What an array of that shape takes, charged to the account.
    static size_t Bytes(size_t dims, size_t elementCount) {
        return sizeof(ArrayHeap) + dims * sizeof(TVarArrayBound) + elementCount * sizeof(Variant);
    }
    ~ArrayHeap() { VariantMemoryCharge::RefundHeap(*this); }
};

// A number read from a Variant or from text, for the operators.
struct Number {
    enum class Kind { Int, Float, Currency, Date };
    Kind kind = Kind::Int;
    bool int64 = false;  // came from an Int64: integer results stay Int64
    int64_t i = 0;       // Int, Currency (scaled by 10000)
    double d = 0;        // Float, Date
    double AsDouble() const;
};

// Reads numeric text by the rule table (integer text, else float text in
// the locale); false when it is no number.
[[nodiscard]] bool ParseNumber(std::string_view text, Number& n);
// "True"/"False" in any case, or a number (non-zero is True).
[[nodiscard]] bool ParseBoolean(std::string_view text, bool& value);
// The same for a varString or varOleStr Variant.
[[nodiscard]] bool TextToNumber(const Variant& text, Number& n);
[[nodiscard]] bool TextToBoolean(const Variant& text, bool& value);

// Round half to even; the result is still a double.
double RoundBankers(double x);
// A rounded double as an Int64; EVariantOverflowError outside the range.
int64_t DoubleToInt64(double x);
// Currency (scaled by 10000) to the nearest integer, halves to even.
int64_t CurrencyToInt64(int64_t scaled);
// Checks that a Date value lies in OLE's date range.
double CheckedDate(double days);
// Text of a Double by the rule table (FloatToStr).
std::string DoubleText(double value);

[[noreturn]] void ThrowTypeCast(TVarType from, TVarType to);
[[noreturn]] void ThrowOverflow();
[[noreturn]] void ThrowInvalidOp();

}  // namespace variant_internal

// Raw access to a Variant's fields for the files above.
struct VariantInternals {
    static TVarType Type(const Variant& v) { return v.type_; }
    static int64_t Int(const Variant& v) { return v.v_.i64; }
    static double Dbl(const Variant& v) { return v.v_.dbl; }
    static VariantHeap* Heap(const Variant& v) { return v.v_.heap; }

    static Variant MakeInt(TVarType type, int64_t i) { return Variant::RawInt(type, i); }
    static Variant MakeDouble(TVarType type, double d) { return Variant::RawDouble(type, d); }
    // Takes over a fresh heap (refs 1).
    static Variant MakeHeap(TVarType type, VariantHeap* heap) {
        Variant r;
        r.type_ = type;
        r.v_.heap = heap;
        return r;
    }

    // Puts a heap of the same kind in the place of the Variant's heap (the
    // old one is the caller's to release).
    static void SetHeap(Variant& v, VariantHeap* heap) { v.v_.heap = heap; }

    static std::string_view Ansi(const Variant& v) {
        return static_cast<const variant_internal::AnsiHeap*>(v.v_.heap)->Text();
    }
    static std::u16string_view Wide(const Variant& v) {
        return static_cast<const variant_internal::WideHeap*>(v.v_.heap)->Text();
    }
    static variant_internal::ArrayHeap& Array(const Variant& v) {
        return *static_cast<variant_internal::ArrayHeap*>(v.v_.heap);
    }
};

}  // namespace runtime
