// The list holder of objectmodel_test_lists.h. Named *_test.cpp so that the
// runtime library leaves it out; it holds no tests itself.

#include <memory>

#include "runtime/collection.h"
#include "runtime/objectmodel_test_lists.h"
#include "runtime/properties.h"
#include "runtime/stringlist.h"

namespace objtest {

using namespace runtime;

class TSampleItem : public TCollectionItem {
    RUNTIME_CLASS(TSampleItem)

  public:
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& v) { caption_ = v; }
    int Width() const { return width_; }
    void SetWidth(int v) { width_ = v; }

  private:
    std::string caption_;
    int width_ = 0;
};

RUNTIME_BEGIN_CLASS(TSampleItem, TCollectionItem)
RUNTIME_PROPERTY(Caption, Caption, SetCaption);
RUNTIME_PROPERTY(Width, Width, SetWidth).Default(0);
RUNTIME_END_CLASS

class TListHolder : public TComponent {
    RUNTIME_CLASS(TListHolder)

  public:
    explicit TListHolder(TComponent* owner)
        : TComponent(owner),
          lines_(std::make_unique<TStringList>()),
          items_(std::make_unique<TCollection>(CollectionItemFactory<TSampleItem>())) {}

    TStrings* Lines() const { return lines_.get(); }
    TCollection* Items() const { return items_.get(); }

  private:
    std::unique_ptr<TStringList> lines_;
    std::unique_ptr<TCollection> items_;
};

RUNTIME_BEGIN_CLASS(TListHolder, TComponent)
RUNTIME_READONLY(Lines, Lines);
RUNTIME_READONLY(Items, Items);
RUNTIME_END_CLASS

namespace {

TListHolder& Holder(TComponent& holder) {
    return dynamic_cast<TListHolder&>(holder);
}

}  // namespace

TComponent& NewListHolder(TComponent& owner) {
    return NewComponent<TListHolder>(owner);
}

void SetHolderLines(TComponent& holder, const std::vector<std::string>& lines) {
    TStrings& strings = *Holder(holder).Lines();
    strings.Clear();
    for (const std::string& line : lines) strings.Add(line);
}

std::vector<std::string> HolderLines(TComponent& holder) {
    const TStrings& strings = *Holder(holder).Lines();
    std::vector<std::string> lines;
    for (int i = 0; i < strings.Count(); ++i) lines.push_back(strings.Strings(i));
    return lines;
}

void AddHolderItem(TComponent& holder, const std::string& caption, int width) {
    auto* item = static_cast<TSampleItem*>(Holder(holder).Items()->Add());
    item->SetCaption(caption);
    item->SetWidth(width);
}

std::vector<std::pair<std::string, int>> HolderItems(TComponent& holder) {
    const TCollection& items = *Holder(holder).Items();
    std::vector<std::pair<std::string, int>> result;
    for (int i = 0; i < items.Count(); ++i) {
        const auto* item = static_cast<const TSampleItem*>(items.Items(i));
        result.emplace_back(item->Caption(), item->Width());
    }
    return result;
}

void RegisterListHolderClass() {
    RegisterClassInfo<TListHolder>();
}

}  // namespace objtest
