#pragma once

// The named character references that ReplaceISOSymbols decodes.

#include <optional>
#include <span>
#include <string_view>

namespace core {

struct TXhtmlEntity {
    std::u16string_view Name;
    char16_t Code;
};

// Every row, sorted by name in code-unit order.
std::span<const TXhtmlEntity> XhtmlEntities();

// The character of the entity with exactly that name (case-sensitive).
std::optional<char16_t> FindXhtmlEntity(std::u16string_view name);

}  // namespace core
