// Fuzz target: the input becomes a few strings and numbers; conversions and
// the operators it chooses run on them and on some fixed values, under a
// "." or "," locale. Variant errors are expected; anything else (a crash, a
// foreign exception, an inconsistent comparison) is a finding.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/exceptions.h"
#include "runtime/locale.h"
#include "runtime/strings.h"
#include "runtime/variant.h"

namespace {

using runtime::TVarType;
using runtime::Variant;

constexpr size_t kMaxPieces = 4;

constexpr TVarType kTargets[] = {
    runtime::varEmpty,  runtime::varNull,    runtime::varSmallint, runtime::varInteger,
    runtime::varSingle, runtime::varDouble,  runtime::varCurrency, runtime::varDate,
    runtime::varOleStr, runtime::varBoolean, runtime::varVariant,  runtime::varShortInt,
    runtime::varByte,   runtime::varWord,    runtime::varLongWord, runtime::varInt64,
    runtime::varString, runtime::varError,   runtime::varDispatch,
};

template <typename F>
void Guard(F&& f) {
    try {
        f();
    } catch (const runtime::Exception&) {
    }
}

runtime::TVariantRelationship Reverse(runtime::TVariantRelationship r) {
    using R = runtime::TVariantRelationship;
    return r == R::vrLessThan ? R::vrGreaterThan : r == R::vrGreaterThan ? R::vrLessThan : r;
}

// Runs operation `code` on a and b (binary operators, comparison, unary
// operators, a conversion to the type chosen by `extra`).
void Run(uint8_t code, const Variant& a, const Variant& b, uint8_t extra) {
    switch (code % 16) {
        case 0:
            Guard([&] { (void)(a + b); });
            break;
        case 1:
            Guard([&] { (void)(a - b); });
            break;
        case 2:
            Guard([&] { (void)(a * b); });
            break;
        case 3:
            Guard([&] { (void)(a / b); });
            break;
        case 4:
            Guard([&] { (void)runtime::VarIntDiv(a, b); });
            break;
        case 5:
            Guard([&] { (void)runtime::VarMod(a, b); });
            break;
        case 6:
            Guard([&] { (void)runtime::VarAnd(a, b); });
            break;
        case 7:
            Guard([&] { (void)runtime::VarOr(a, b); });
            break;
        case 8:
            Guard([&] { (void)runtime::VarXor(a, b); });
            break;
        case 9:
            Guard([&] { (void)runtime::VarShl(a, b); });
            break;
        case 10:
            Guard([&] { (void)runtime::VarShr(a, b); });
            break;
        case 11:
            Guard([&] {
                // Swapping the operands mirrors the relationship.
                const auto ab = runtime::VarCompareValue(a, b);
                const auto ba = runtime::VarCompareValue(b, a);
                if (ab != Reverse(ba)) std::abort();
            });
            break;
        case 12:
            Guard([&] { (void)runtime::VarNot(a); });
            break;
        case 13:
            Guard([&] { (void)runtime::VarNeg(a); });
            break;
        case 14:
            Guard([&] { (void)a.AsType(kTargets[extra % std::size(kTargets)]); });
            break;
        default:
            Guard([&] { (void)(a + b).AsType(kTargets[extra % std::size(kTargets)]); });
            break;
    }
}

void Convert(const Variant& v) {
    for (TVarType t : kTargets) Guard([&] { (void)v.AsType(t); });
    Guard([&] { (void)runtime::VarToStr(v); });
    Guard([&] { (void)runtime::VarToWideStr(v); });
    Guard([&] { (void)runtime::VarNot(v); });
    Guard([&] { (void)runtime::VarNeg(v); });
    Guard([&] {
        // An integer survives the trip through its text.
        if (v.IsOrdinal() && Variant(v.AsString()).AsInt64() != v.AsInt64()) std::abort();
    });
}

// A small array whose bounds, type and writes come from the input.
void ExerciseArray(std::string_view bytes, const std::vector<Variant>& values) {
    if (bytes.size() < 3) return;
    const int32_t low = static_cast<int8_t>(bytes[0]);
    const int32_t high = low + static_cast<uint8_t>(bytes[1]) % 8 - 1;
    const TVarType type = kTargets[static_cast<uint8_t>(bytes[2]) % std::size(kTargets)];
    Guard([&] {
        Variant a = Variant::CreateArray({low, high, -1, 1}, type);
        for (size_t i = 3; i < bytes.size() && i < 40; ++i) {
            const int32_t index = static_cast<int8_t>(bytes[i]) % 12;
            const Variant& value = values[i % values.size()];
            Guard([&] { a.SetElement({index, index % 3}, value); });
            Guard([&] { (void)a.GetElement({index, 0}); });
            Guard([&] { a.ArrayRedim(index); });
        }
        Variant copy = a;
        Guard([&] { copy.SetElement({low, 0}, copy); });
    });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Layout: flags, a count n, n operations of 4 bytes (code, operand a,
    // operand b, extra), then the text pieces separated by NUL bytes.
    if (size < 2) return 0;
    runtime::TFormatSettings settings = runtime::DefaultFormatSettings();
    if (data[0] & 1) {
        settings.DecimalSeparator = ',';
        settings.ThousandSeparator = '.';
    }
    runtime::ScopedFormatSettings locale(settings);
    const size_t opCount = std::min<size_t>(data[1] % 32, (size - 2) / 4);
    const uint8_t* ops = data + 2;
    const std::string_view input(reinterpret_cast<const char*>(ops + 4 * opCount),
                                 size - 2 - 4 * opCount);

    std::vector<Variant> values = {
        Variant(),
        Variant::Null(),
        Variant(true),
        Variant(int32_t{-7}),
        Variant(int64_t{INT64_MIN}),
        Variant(2.5),
        Variant::FromCurrency(15000),
        Variant::FromDate(36526.5),
        Variant::FromSingle(0.1f),
        Variant(uint32_t{4000000000u}),
        Variant::ArrayOf({Variant(1)}),
    };
    const size_t fixed = values.size();
    // Each piece as 8-bit and wide text, and its first bytes as raw Integer,
    // Int64 and Double values.
    size_t start = 0;
    for (size_t pieces = 0; pieces < kMaxPieces && start <= input.size(); ++pieces) {
        size_t end = input.find('\0', start);
        if (end == std::string_view::npos) end = input.size();
        const std::string_view piece = input.substr(start, end - start);
        values.emplace_back(piece);
        values.emplace_back(runtime::AnsiToWide(piece));
        if (piece.size() >= 8) {
            double d = 0;
            int64_t i = 0;
            std::memcpy(&d, piece.data(), sizeof d);
            std::memcpy(&i, piece.data(), sizeof i);
            values.emplace_back(d);
            values.emplace_back(static_cast<int32_t>(i));
            values.emplace_back(i);
        }
        start = end + 1;
    }

    // Every value from the input is converted to every type and added to
    // and compared with the fixed values.
    for (size_t i = fixed; i < values.size(); ++i) {
        Convert(values[i]);
        for (size_t j = 0; j < fixed; ++j) {
            Run(0, values[i], values[j], 0);
            Run(11, values[i], values[j], 0);
        }
    }
    for (size_t k = 0; k < opCount; ++k) {
        const uint8_t* op = ops + 4 * k;
        Run(op[0], values[op[1] % values.size()], values[op[2] % values.size()], op[3]);
    }
    ExerciseArray(input, values);
    return 0;
}
