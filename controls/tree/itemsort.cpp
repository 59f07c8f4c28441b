// Sorting an item's children. Built-in sort types read each child once to
// build its key into one contiguous array, sort that array, and touch the
// items again only to relink them; custom sorts ask the tree for every
// comparison.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "controls/tree/headersections.h"
#include "controls/tree/treeitem.h"
#include "controls/tree/treeitem_static.h"
#include "controls/tree/treemodel.h"
#include "controls/tree/widestr.h"
#include "runtime/datetime.h"
#include "runtime/exceptions.h"
#include "runtime/format.h"
#include "runtime/strings.h"
#include "runtime/variant.h"

namespace controls::tree {

namespace {

template <class T>
int Sign(T a, T b) {
    return a < b ? -1 : b < a ? 1 : 0;
}

// An optional sign and one to nine decimal digits: the common shape of a
// number column, parsed without a conversion to 8-bit text. Anything else
// goes to the full parser.
bool ParsePlainDecimal(std::u16string_view text, int32_t& value) {
    const bool negative = !text.empty() && text[0] == u'-';
    const size_t first = !text.empty() && (text[0] == u'-' || text[0] == u'+') ? 1 : 0;
    if (text.size() == first || text.size() - first > 9) return false;
    int32_t magnitude = 0;
    for (size_t i = first; i < text.size(); ++i) {
        if (text[i] < u'0' || text[i] > u'9') return false;
        magnitude = magnitude * 10 + (text[i] - u'0');
    }
    value = negative ? -magnitude : magnitude;
    return true;
}

// The key of a text in a sort of a type other than stText and stCustom.
TGtSortKey ValueKey(std::u16string_view text, TSortTypes type) {
    TGtSortKey key;
    if (type == stNumber) {
        int32_t value;
        if (ParsePlainDecimal(text, value) ||
            runtime::TryStrToInt(runtime::WideToAnsi(text), value)) {
            key.kind = TGtSortKey::Integer;
            key.number = value;
        }
        return key;
    }
    const std::string ansi = runtime::WideToAnsi(text);
    switch (type) {
        case stBoolean: {
            bool value = false;
            if (ansi.empty() || runtime::TryStrToBool(ansi, value)) {
                key.kind = TGtSortKey::Boolean;
                key.number = value ? 1 : 0;
            }
            break;
        }
        case stCurrency:
            key.kind = TGtSortKey::Currency;
            key.number = ParseCurrencyText(ansi);
            break;
        case stFloating:
        case stDateTime:
        case stDate:
        case stTime: {
            double value = 0;
            bool ok = false;
            if (type == stFloating) {
                ok = runtime::TryStrToFloat(ansi, value);
            } else if (type == stDateTime) {
                ok = runtime::TryStrToDateTime(ansi, value);
            } else if (type == stDate) {
                ok = runtime::TryStrToDate(ansi, value);
            } else {
                try {
                    value = runtime::StrToTime(ansi);
                    ok = true;
                } catch (const runtime::EConvertError&) {
                }
            }
            // A NaN would break the order of the whole sort.
            if (ok && !std::isnan(value)) {
                key.kind = TGtSortKey::Double;
                key.real = value;
            }
            break;
        }
        default:
            break;
    }
    return key;
}

// The Variant type a virtual tree is asked for, by sort type.
int VirtualVarType(TSortTypes type) {
    switch (type) {
        case stNumber:
            return 0;
        case stBoolean:
            return 1;
        case stFloating:
        case stDateTime:
        case stDate:
        case stTime:
            return 3;
        case stCurrency:
            return 12;
        default:
            return 4;
    }
}

// A key converted from a virtual tree's value; false when it does not
// convert.
bool KeyFromVariant(const runtime::Variant& value, int varType, TGtSortKey& key) {
    try {
        if (value.IsEmpty() || value.IsNull()) return true;
        switch (varType) {
            case 0:
                key.number = value.AsInteger();
                key.kind = TGtSortKey::Integer;
                break;
            case 1:
                key.number = value.AsBoolean() ? 1 : 0;
                key.kind = TGtSortKey::Boolean;
                break;
            case 3:
                key.real = value.AsDouble();
                if (!std::isnan(key.real)) key.kind = TGtSortKey::Double;
                break;
            case 12:
                key.number = value.AsCurrency();
                key.kind = TGtSortKey::Currency;
                break;
            default:
                key.text = value.AsWideString();
                key.kind = TGtSortKey::Text;
                break;
        }
        return true;
    } catch (const runtime::EVariantError&) {
        key = TGtSortKey{};
        return false;
    }
}

// One child in a sort by keys: the key, the child's creation order for
// ties with kNoKey set when the child has no key, and the child.
constexpr uint64_t kNoKey = uint64_t{1} << 63;

template <class Key>
struct KeyedChild {
    Key key;
    uint64_t order;
    TGtTreeItem* item;
};

// Without tie-breakers the keys and creation order make a strict order,
// which the in-place sort needs; a tie-breaker may be a handler's answer, so
// with them the sort is one that stays in bounds whatever a comparison says.
template <class Entry, class Less>
void SortEntries(std::vector<Entry>& entries, bool tieBreakers, Less less) {
    if (tieBreakers)
        std::stable_sort(entries.begin(), entries.end(), less);
    else
        std::sort(entries.begin(), entries.end(), less);
}

// Sorts `keyed`: no key first, then `compare` on the keys, the direction
// applied, then the tree's tie-breakers, then creation order.
template <class Key, class Compare>
void SortKeyed(TGtTreeModel& tree, std::vector<KeyedChild<Key>>& keyed, bool descending,
               Compare compare) {
    const bool tieBreakers = tree.HasTieBreakers();
    if (!tieBreakers) {
        // The common case in two plain sorts: children without a key (first
        // ascending, last descending) by creation order, the others by key
        // and then creation order.
        using Entry = KeyedChild<Key>;
        const auto keyless = [&](const Entry& e) {
            return ((e.order & kNoKey) != 0) != descending;
        };
        const auto mid = std::partition(keyed.begin(), keyed.end(), keyless);
        const auto first = descending ? mid : keyed.begin();
        const auto last = descending ? keyed.end() : mid;
        std::sort(first, last, [](const Entry& a, const Entry& b) { return a.order < b.order; });
        const auto keyedFirst = descending ? keyed.begin() : mid;
        const auto keyedLast = descending ? mid : keyed.end();
        if (descending)
            std::sort(keyedFirst, keyedLast, [&](const Entry& a, const Entry& b) {
                const int r = compare(a.key, b.key);
                return r != 0 ? r > 0 : a.order < b.order;
            });
        else
            std::sort(keyedFirst, keyedLast, [&](const Entry& a, const Entry& b) {
                const int r = compare(a.key, b.key);
                return r != 0 ? r < 0 : a.order < b.order;
            });
        return;
    }
    auto less = [&](const KeyedChild<Key>& a, const KeyedChild<Key>& b) {
        const bool aHas = (a.order & kNoKey) == 0;
        const bool bHas = (b.order & kNoKey) == 0;
        int r = aHas != bHas ? (aHas ? 1 : -1) : aHas ? compare(a.key, b.key) : 0;
        if (descending) r = -r;
        if (r == 0 && tieBreakers) r = tree.CompareTiedItems(a.item, b.item);
        return r != 0 ? r < 0 : a.order < b.order;
    };
    SortEntries(keyed, tieBreakers, less);
}

// A child in a sort by text: its key text and the child.
struct TextKey {
    const char16_t* text;
    uint32_t length;
    TGtTreeItem* item;
};

// The key texts of one sort, copied side by side (upper-cased when the sort
// ignores case) so that the comparisons read a few compact blocks rather
// than texts scattered among the items. Blocks are filled in turn and never
// moved.
class TextKeyBuffer {
  public:
    TextKeyBuffer(TGtTreeModel& tree, bool upper) : tree_(tree), upper_(upper) {}

    TextKey Add(TGtTreeItem* item, std::u16string_view text) {
        // Longer texts (over 8 GB) sort by their first four billion units.
        const size_t length = std::min<size_t>(text.size(), UINT32_MAX);
        if (blocks_.empty() || room_ < length) {
            const size_t size = std::max(kBlockUnits, length);
            blocks_.push_back(std::unique_ptr<char16_t[]>(new char16_t[size]));
            next_ = blocks_.back().get();
            room_ = size;
        }
        char16_t* copy = next_;
        std::copy_n(text.data(), length, copy);
        if (upper_) UpperCaseWideInPlace(copy, length);
        next_ += length;
        room_ -= length;
        return {copy, static_cast<uint32_t>(length), item};
    }

    // Equal texts go to the tree's tie-breakers and then to creation order.
    void Sort(std::vector<TextKey>& keyed, bool descending) const {
        const bool tieBreakers = tree_.HasTieBreakers();
        if (!tieBreakers) {
            if (descending)
                std::sort(keyed.begin(), keyed.end(), [](const TextKey& a, const TextKey& b) {
                    const int r = CompareUnits(a, b);
                    return r != 0 ? r > 0 : a.item->CreationOrder() < b.item->CreationOrder();
                });
            else
                std::sort(keyed.begin(), keyed.end(), [](const TextKey& a, const TextKey& b) {
                    const int r = CompareUnits(a, b);
                    return r != 0 ? r < 0 : a.item->CreationOrder() < b.item->CreationOrder();
                });
            return;
        }
        auto less = [&](const TextKey& a, const TextKey& b) {
            int r = CompareUnits(a, b);
            if (descending) r = -r;
            if (r == 0 && tieBreakers) r = tree_.CompareTiedItems(a.item, b.item);
            return r != 0 ? r < 0 : a.item->CreationOrder() < b.item->CreationOrder();
        };
        SortEntries(keyed, tieBreakers, less);
    }

  private:
    static constexpr size_t kBlockUnits = 32768;

    // CompareStrWide, inline here. Keys of one column tend to share long
    // beginnings, which are passed four units at a time.
    static int CompareUnits(const TextKey& a, const TextKey& b) {
        const uint32_t n = std::min(a.length, b.length);
        uint32_t i = 0;
        for (; i + 4 <= n; i += 4) {
            uint64_t x, y;
            std::memcpy(&x, a.text + i, sizeof x);
            std::memcpy(&y, b.text + i, sizeof y);
            if (x == y) continue;
            const uint64_t differ = x ^ y;
            // The first unit in memory holds the low bits on a little-endian
            // machine, the high bits on a big-endian one.
            const int bit = std::endian::native == std::endian::little
                                ? std::countr_zero(differ)
                                : 63 - std::countl_zero(differ);
            i += std::endian::native == std::endian::little ? bit / 16 : 3 - bit / 16;
            break;
        }
        for (; i < n; ++i)
            if (a.text[i] != b.text[i]) return a.text[i] < b.text[i] ? -1 : 1;
        return a.length < b.length ? -1 : a.length > b.length ? 1 : 0;
    }

    TGtTreeModel& tree_;
    bool upper_;
    std::vector<std::unique_ptr<char16_t[]>> blocks_;
    char16_t* next_ = nullptr;
    size_t room_ = 0;
};

}  // namespace

int CompareSortKeys(const TGtSortKey& a, const TGtSortKey& b, TSortTypes type) {
    if (a.kind == TGtSortKey::None || b.kind == TGtSortKey::None) {
        if (a.kind == b.kind) return 0;
        return a.kind == TGtSortKey::None ? -1 : 1;
    }
    if (a.kind != b.kind) return 0;
    switch (type) {
        case stText:
            return CompareStrWide(a.text, b.text);
        case stNumber:
        case stBoolean:
        case stCurrency:
            return Sign(a.number, b.number);
        case stFloating:
        case stDateTime:
            return Sign(a.real, b.real);
        case stDate:
            return Sign(std::trunc(a.real), std::trunc(b.real));
        case stTime:
            return Sign(a.real - std::trunc(a.real), b.real - std::trunc(b.real));
        case stCustom:
            return 0;
    }
    return 0;
}

std::u16string_view TGtTreeItem::StoredCellText(int column) const {
    if (!static_ || owner_->IsVirtual()) return {};
    if (column == -1 || column == owner_->MainTreeColumn()) return static_->Text;
    const int entry = column > owner_->MainTreeColumn() ? column - 1 : column;
    const TGtWideStringList& texts = static_->ColumnText;
    if (entry < 0 || entry >= texts.Count()) return u"";
    return texts.View(entry);
}

TGtSortKey TGtTreeItem::SortKey(TSortTypes type, int column) const {
    TGtSortKey key;
    if (owner_->IsVirtual() && type != stText) {
        const int varType = VirtualVarType(type);
        if (KeyFromVariant(
                owner_->DoVirtualValueNeeded(const_cast<TGtTreeItem*>(this), column, varType),
                varType, key))
            return key;
    }
    std::u16string supplied;
    std::u16string_view text = StoredCellText(column);
    if (text.data() == nullptr) text = supplied = CellText(column);
    if (type == stText || type == stCustom) {
        key.kind = TGtSortKey::Text;
        key.text = text;
        if (type == stText && !owner_->SortUseCase()) UpperCaseWideInPlace(key.text);
        return key;
    }
    return ValueKey(text, type);
}

bool TGtTreeItem::SortChildren(bool recursive, TGtSSortMode mode, TSortTypes type, int column) {
    const int n = ChildrenCount();
    // Whether a child has children of its own, noted while the keys are
    // read (a sort of leaves relinks the tree's list without a walk).
    bool nested = n == 1;
    auto childAt = [&](int i) {
        TGtTreeItem* child = Children(i);
        nested = nested || child->ChildrenCount() > 0;
        return child;
    };
    if (n > 1) {
        flags_ |= ifSorting;
        struct ClearSorting {
            uint32_t& flags;
            ~ClearSorting() { flags &= ~ifSorting; }
        } clearSorting{flags_};
        const bool descending = owner_->SortsDescending(mode);
        // Relinks the children in the order of a sorted array.
        auto relink = [&](const auto& sorted) {
            for (int i = 0; i < n; ++i) children_->Put(i, sorted[static_cast<size_t>(i)].item);
        };
        // Keys of a value type, from each child's SortKey.
        auto sortByValue = [&](auto valueOf) {
            using Key = decltype(valueOf(TGtSortKey{}));
            std::vector<KeyedChild<Key>> keyed(static_cast<size_t>(n));
            for (int i = 0; i < n; ++i) {
                TGtTreeItem* child = childAt(i);
                KeyedChild<Key>& entry = keyed[static_cast<size_t>(i)];
                entry.item = child;
                entry.order = child->CreationOrder();
                // The common number column straight from its stored text.
                int32_t plain;
                if (type == stNumber && ParsePlainDecimal(child->StoredCellText(column), plain)) {
                    entry.key = static_cast<Key>(plain);
                    continue;
                }
                const TGtSortKey key = child->SortKey(type, column);
                const bool has = key.kind != TGtSortKey::None;
                entry.key = has ? valueOf(key) : Key{};
                if (!has) entry.order |= kNoKey;
            }
            SortKeyed(*owner_, keyed, descending, [](Key a, Key b) { return Sign(a, b); });
            relink(keyed);
        };
        switch (type) {
            case stText: {
                TextKeyBuffer buffer(*owner_, !owner_->SortUseCase());
                std::vector<TextKey> keyed(static_cast<size_t>(n));
                std::u16string supplied;
                for (int i = 0; i < n; ++i) {
                    TGtTreeItem* child = childAt(i);
                    std::u16string_view text = child->StoredCellText(column);
                    if (text.data() == nullptr) text = supplied = child->CellText(column);
                    keyed[static_cast<size_t>(i)] = buffer.Add(child, text);
                }
                buffer.Sort(keyed, descending);
                relink(keyed);
                break;
            }
            case stNumber:
            case stBoolean:
            case stCurrency:
                sortByValue([](const TGtSortKey& k) { return k.number; });
                break;
            case stFloating:
            case stDateTime:
                sortByValue([](const TGtSortKey& k) { return k.real; });
                break;
            case stDate:
                sortByValue([](const TGtSortKey& k) { return std::trunc(k.real); });
                break;
            case stTime:
                sortByValue([](const TGtSortKey& k) { return k.real - std::trunc(k.real); });
                break;
            case stCustom: {
                std::vector<TGtTreeItem*> children(static_cast<size_t>(n));
                for (int i = 0; i < n; ++i) children[static_cast<size_t>(i)] = childAt(i);
                std::stable_sort(children.begin(), children.end(),
                                 [&](TGtTreeItem* a, TGtTreeItem* b) {
                                     return owner_->CompareItems(a, b, mode, type, column) < 0;
                                 });
                for (int i = 0; i < n; ++i) children_->Put(i, children[static_cast<size_t>(i)]);
                break;
            }
        }
    }
    if (recursive && nested)
        for (int i = 0; i < n; ++i)
            if (Children(i)->ChildrenCount() > 0)
                Children(i)->SortChildren(true, mode, type, column);
    return nested;
}

void TGtTreeItem::WriteSubtreeTo(TGtList& list, int& position) const {
    // Children in order, each followed by its subtree; an explicit stack
    // keeps deep trees off the call stack.
    std::vector<std::pair<const TGtTreeItem*, int>> stack{{this, 0}};
    while (!stack.empty()) {
        auto& [item, next] = stack.back();
        if (next >= item->ChildrenCount()) {
            stack.pop_back();
            continue;
        }
        TGtTreeItem* child = item->Children(next++);
        list.Put(position++, child);
        if (child->ChildrenCount() > 0) stack.emplace_back(child, 0);
    }
}

void TGtTreeItem::Sort(bool recursive) {
    owner_->RaiseSortDepth();
    struct Lower {
        TGtTreeModel* tree;
        ~Lower() { tree->LowerSortDepth(); }
    } lower{owner_};
    if (ChildrenCount() == 0 || (!recursive && ChildrenCount() < 2)) return;

    UpdateLock lock(owner_);
    int column = -1;
    TSortTypes type = owner_->SortType();
    TGtSSortMode mode = hsmNone;
    if (owner_->ShowColumns() && owner_->SortSection() < owner_->SectionCount()) {
        if (TGtHeaderSection* section = owner_->SectionByIndex(owner_->SortSection())) {
            column = owner_->SortSection();
            mode = section->SortMode();
            type = SectionTypeToSortType(section->FieldType());
        }
    }
    TGtList& all = owner_->AllItems();
    int position = all.IndexOf(FirstChild());
    flags_ &= ~ifSorting;
    if (SortChildren(recursive, mode, type, column))
        WriteSubtreeTo(all, position);
    else
        for (int i = 0; i < children_->Count(); ++i) all.Put(position + i, children_->Get(i));
    owner_->Request(rfRowsStale | rfRepaintAll);
}

}  // namespace controls::tree
