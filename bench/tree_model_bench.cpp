// The tree's data side with 100,000 rows: adding, walking, sorting by a
// text key and by an integer key (beside std::sort of the same keys in the
// same run), and streaming out and in. Best of five runs each.
//
//   build/release/bench/tree_model_bench
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "controls/tree/treeitems.h"
#include "controls/tree/treemodel.h"
#include "runtime/streams.h"
#include "runtime/strings.h"

namespace {

using namespace controls::tree;
constexpr int kRows = 100000;
constexpr int kRuns = 5;

double BestMs(const std::function<void()>& prepare, const std::function<void()>& work) {
    double best = 1e300;
    for (int run = 0; run < kRuns; ++run) {
        prepare();
        const auto start = std::chrono::steady_clock::now();
        work();
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

std::vector<std::u16string> Texts(std::mt19937& rng) {
    std::vector<std::u16string> texts;
    texts.reserve(kRows);
    for (int i = 0; i < kRows; ++i) {
        std::u16string t;
        for (int n = 0; n < 12; ++n) t += static_cast<char16_t>(u'a' + rng() % 26);
        texts.push_back(t);
    }
    return texts;
}

void Fill(TGtTreeModel& tree, const std::vector<std::u16string>& texts) {
    tree.Items().BeginUpdate();
    for (const auto& t : texts) tree.Items().Add(nullptr, t);
    tree.Items().EndUpdate();
}

void Line(const char* what, double ours, double peer = -1) {
    if (peer < 0)
        std::printf("%-32s %10.2f ms\n", what, ours);
    else
        std::printf("%-32s %10.2f ms   std::sort %8.2f ms   ratio %.2f\n", what, ours, peer,
                    ours / peer);
}

}  // namespace

int main() {
    std::mt19937 rng(42);
    const std::vector<std::u16string> texts = Texts(rng);
    std::vector<std::u16string> numbers;
    std::vector<int32_t> numberKeys;
    for (int i = 0; i < kRows; ++i) {
        numberKeys.push_back(static_cast<int32_t>(rng() % 1000000));
        numbers.push_back(runtime::Utf8ToWide(std::to_string(numberKeys.back())));
    }

    std::unique_ptr<TGtTreeModel> tree;
    const double add =
        BestMs([&] { tree = std::make_unique<TGtTreeModel>(); }, [&] { Fill(*tree, texts); });
    Line("add 100,000 rows", add);
    const double clear = BestMs([&] { Fill(*tree, texts); }, [&] { tree->Items().Clear(); });
    Line("clear 100,000 rows", clear);
    Fill(*tree, texts);

    int walked = 0;
    const double walk =
        BestMs([&] { walked = 0; },
               [&] {
                   tree->Items().IterateAll(
                       false, true,
                       [&](TGtTreeItem*, int, bool&, void*, TGtTreeModel*) { ++walked; }, nullptr);
               });
    Line("walk 100,000 rows", walk);

    std::vector<std::u16string> textKeys;
    const double textSort = BestMs(
        [&] {
            tree = std::make_unique<TGtTreeModel>();
            tree->SetSortType(stText);
            Fill(*tree, texts);
        },
        [&] { tree->Sort(false); });
    const double textPeer =
        BestMs([&] { textKeys = texts; }, [&] { std::sort(textKeys.begin(), textKeys.end()); });
    Line("sort by a text key", textSort, textPeer);

    std::vector<int32_t> intKeys;
    const double numberSort = BestMs(
        [&] {
            tree = std::make_unique<TGtTreeModel>();
            tree->SetSortType(stNumber);
            Fill(*tree, numbers);
        },
        [&] { tree->Sort(false); });
    const double numberPeer =
        BestMs([&] { intKeys = numberKeys; }, [&] { std::sort(intKeys.begin(), intKeys.end()); });
    Line("sort by an integer key", numberSort, numberPeer);

    runtime::TMemoryStream stream;
    const double out = BestMs([&] { stream.Clear(); }, [&] { tree->Items().SaveToStream(stream); });
    Line("stream out", out);
    std::unique_ptr<TGtTreeModel> back;
    const double in = BestMs(
        [&] {
            back = std::make_unique<TGtTreeModel>();
            stream.SetPosition(0);
        },
        [&] { back->Items().LoadFromStream(stream); });
    Line("stream in", in);
    std::printf("(%d rows walked, %lld bytes streamed)\n", walked,
                static_cast<long long>(stream.Size()));
    return back->Items().Count() == kRows ? 0 : 1;
}
