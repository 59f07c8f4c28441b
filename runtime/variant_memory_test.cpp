// Strings built in place and the memory accounts of Variant values.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "runtime/exceptions.h"
#include "runtime/strings.h"
#include "runtime/variant.h"
#include "runtime/variant_test_support.h"

namespace runtime {
namespace {

// An account made current for a test's life and released after it.
struct CurrentAccount {
    explicit CurrentAccount(size_t limit)
        : account(VariantMemoryAccount::Create(limit)), scope(account) {}
    ~CurrentAccount() { account->Release(); }
    VariantMemoryAccount* account;
    VariantMemoryAccount::Scope scope;
};

// "+" and AppendText agree on every pair of text and Empty; anything else
// is refused and left as it was.
TEST(VariantText, AppendFollowsThePlusOperator) {
    const Variant values[] = {Variant("ab"), Variant(u"\u0436z"), Variant(std::string()),
                              Variant(),     Variant::Null(),     Variant(int32_t{7})};
    for (const Variant& head : values) {
        for (const Variant& tail : values) {
            SCOPED_TRACE(DescribeVariant(head) + " + " + DescribeVariant(tail));
            Variant appended = head;
            const bool text =
                (head.IsString() || head.IsEmpty()) && (tail.IsString() || tail.IsEmpty());
            EXPECT_EQ(appended.AppendText(tail), text);
            if (text)
                EXPECT_TRUE(SameVariant(appended, head + tail));
            else
                EXPECT_TRUE(SameVariant(appended, head));
        }
    }
}

// A text one Variant holds grows in place with room to spare: a page built
// from 2,000 pieces moves a few dozen times, not at every piece; a copy
// that shares the text is never written.
TEST(VariantText, UnsharedTextGrowsInPlace) {
    Variant page("<html>");
    const Variant piece(std::string(130, 'x'));
    int moves = 0;
    const char* at = page.AnsiTextView()->data();
    Variant before = page;
    for (int i = 0; i < 2000; ++i) {
        ASSERT_TRUE(page.AppendText(piece));
        if (page.AnsiTextView()->data() != at) ++moves;
        at = page.AnsiTextView()->data();
    }
    EXPECT_EQ(page.AnsiTextView()->size(), 6 + 2000 * 130u);
    EXPECT_LT(moves, 40);
    EXPECT_EQ(before.AsString(), "<html>");  // shared when the appends began

    // Appending a text to itself, in place and when it must move.
    Variant self("abc");
    ASSERT_TRUE(self.AppendText(self));
    ASSERT_TRUE(self.AppendText(self));
    EXPECT_EQ(self.AsString(), "abcabcabcabc");
    Variant wide(u"\u0436");
    for (int i = 0; i < 4; ++i) ASSERT_TRUE(wide.AppendText(wide));
    EXPECT_EQ(wide.AsWideString(), std::u16string(16, u'\u0436'));
}

// Several tails at once: all or none, in order, whatever their widths.
TEST(VariantText, AppendSeveralTails) {
    std::vector<Variant> tails;
    std::string expected = "head";
    for (int i = 0; i < 20; ++i) {
        tails.push_back(i % 5 == 4 ? Variant() : Variant(std::string(i, 'a' + i % 26)));
        expected += std::string(i % 5 == 4 ? 0 : i, 'a' + i % 26);
    }
    Variant text("head");
    ASSERT_TRUE(text.AppendText(tails));
    EXPECT_TRUE(SameVariant(text, Variant(expected)));
    tails.push_back(Variant(u"\u0436"));
    Variant widened("head");
    ASSERT_TRUE(widened.AppendText(tails));
    EXPECT_EQ(widened.AsWideString(), AnsiToWide(expected) + u"\u0436");
    Variant wide(u"x");
    ASSERT_TRUE(wide.AppendText(tails));
    EXPECT_EQ(wide.AsWideString(), u"x" + AnsiToWide(expected.substr(4)) + u"\u0436");
    tails.push_back(Variant(int32_t{1}));
    Variant refused("head");
    EXPECT_FALSE(refused.AppendText(tails));
    EXPECT_EQ(refused.AsString(), "head");
    Variant empty;
    EXPECT_FALSE(empty.AppendText(std::span<const Variant>(tails.data(), 2)));
}

TEST(VariantText, MutableTextIsUnsharedFirst) {
    Variant text(std::string(2000, 'a'));
    const Variant copy = text;
    const Variant part = Variant::SubString(text, 0, 1500);
    std::span<char> chars = text.MutableAnsiText();
    ASSERT_EQ(chars.size(), 2000u);
    chars[0] = 'X';
    EXPECT_EQ(text.AsString(), "X" + std::string(1999, 'a'));
    EXPECT_EQ(copy.AsString(), std::string(2000, 'a'));
    EXPECT_EQ(part.AsString(), std::string(1500, 'a'));
    // Once unshared, writes stay in place.
    const char* at = text.MutableAnsiText().data();
    text.MutableAnsiText()[1] = 'Y';
    EXPECT_EQ(text.MutableAnsiText().data(), at);
    EXPECT_EQ(text.AsString().substr(0, 3), "XYa");

    Variant wide(u"abc");
    wide.MutableWideText()[2] = u'\u0436';
    EXPECT_EQ(wide.AsWideString(), u"ab\u0436");
    EXPECT_TRUE(Variant(int32_t{1}).MutableAnsiText().empty());
    EXPECT_TRUE(Variant("x").MutableWideText().empty());
}

// An account counts what its values take until they are freed, on any
// thread; it outlives its owner while values charged to it live.
TEST(VariantMemory, AccountsCountLiveValues) {
    VariantMemoryAccount* account = VariantMemoryAccount::Create(size_t{1} << 20);
    Variant kept;
    {
        VariantMemoryAccount::Scope scope(account);
        Variant text(std::string(10000, 'a'));
        EXPECT_GE(account->Used(), 10000u);
        Variant array = Variant::CreateArray({0, 999}, varVariant);
        EXPECT_GE(account->Used(), 10000u + 1000 * sizeof(Variant));
        Variant copy = array;  // arrays are copied
        EXPECT_GE(account->Used(), 10000u + 2000 * sizeof(Variant));
        kept = text;
    }
    const size_t held = account->Used();
    EXPECT_GE(held, 10000u);
    EXPECT_LT(held, 11000u);
    EXPECT_GE(account->TotalCharged(), 10000u + 2000 * sizeof(Variant));
    // Values made with no account current are not counted.
    Variant outside(std::string(5000, 'b'));
    EXPECT_EQ(account->Used(), held);
    account->Release();
    // Freed on another thread, after the owner let go.
    std::thread([&kept] { kept.Clear(); }).join();
}

TEST(VariantMemory, BeyondTheLimitRaisesBeforeAllocating) {
    CurrentAccount current(64 * 1024);
    Variant small(std::string(1000, 'a'));
    EXPECT_THROW(Variant(std::string(100000, 'a')), EOutOfMemory);
    EXPECT_THROW(Variant::CreateArray({0, 9999}, varVariant), EOutOfMemory);
    Variant grown(std::string(30000, 'a'));
    EXPECT_THROW(
        {
            while (true) ASSERT_TRUE(grown.AppendText(grown));
        },
        EOutOfMemory);
    EXPECT_EQ(grown.AsString().find_first_not_of('a'), std::string::npos);
    Variant array = Variant::CreateArray({0, 9}, varVariant);
    EXPECT_THROW(array.ArrayRedim(100000), EOutOfMemory);
    EXPECT_EQ(array.ArrayHighBound(1), 9);
    array.ArrayRedim(99);
    EXPECT_EQ(array.ArrayHighBound(1), 99);
    const size_t used = current.account->Used();
    array.ArrayRedim(0);
    EXPECT_LT(current.account->Used(), used);
    small.Clear();
    grown.Clear();
    array.Clear();
    EXPECT_EQ(current.account->Used(), 0u);
}

// A long copy, append or fill checks progress between its pieces; a check
// that raises ends it, and what it made is freed (ASan sees a leak) while
// the values it worked on stay as they were.
TEST(VariantMemory, ProgressChecksEndLongOperations) {
    CurrentAccount current(size_t{1} << 30);
    Variant text(std::string(8 << 20, 'a'));
    Variant array = Variant::CreateArray({0, 1 << 20}, varVariant);
    const size_t used = current.account->Used();
    int checks = 0;
    current.account->SetProgressCheck(
        [](void* context) {
            if (++*static_cast<int*>(context) > 2) throw EAbort("stopped");
        },
        &checks);
    const std::function<void()> operations[] = {
        [&] { Variant copy(*text.AnsiTextView()); },
        [&] { Variant joined = text + text; },
        [&] {
            Variant grown = text;
            grown.AppendText(text);
        },
        [&] { Variant copy = array; },
        [&] {
            Variant made = Variant::CreateArray({0, 1 << 20}, varVariant);
        },
        [&] { array.ArrayRedim(1 << 21); },
    };
    for (const auto& operation : operations) {
        checks = 0;
        EXPECT_THROW(operation(), EAbort);
        EXPECT_EQ(current.account->Used(), used);
    }
    EXPECT_EQ(text.AnsiTextView()->size(), 8u << 20);
    EXPECT_EQ(array.ArrayHighBound(1), 1 << 20);
    // Short operations do not check.
    checks = 0;
    Variant small = Variant(std::string(1000, 'b')) + text.AsString().substr(0, 1000);
    EXPECT_EQ(checks, 0);
    current.account->SetProgressCheck(nullptr, nullptr);
}

}  // namespace
}  // namespace runtime
