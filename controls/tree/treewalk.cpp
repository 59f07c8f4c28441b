#include "controls/tree/treewalk.h"

#include "controls/tree/treeitem.h"
#include "controls/tree/treeitems.h"

namespace controls::tree {

namespace {

bool FilteredAway(const TGtTreeModel& model, const TGtTreeItem* item) {
    return model.FilteredVisibility() && item->Hidden();
}

// The first (last) child the filter leaves, none without one.
TGtTreeItem* FirstShownChild(const TGtTreeModel& model, const TGtTreeItem* parent) {
    for (int i = 0; i < parent->ChildrenCount(); ++i)
        if (!FilteredAway(model, parent->Children(i))) return parent->Children(i);
    return nullptr;
}

TGtTreeItem* LastShownChild(const TGtTreeModel& model, const TGtTreeItem* parent) {
    for (int i = parent->ChildrenCount() - 1; i >= 0; --i)
        if (!FilteredAway(model, parent->Children(i))) return parent->Children(i);
    return nullptr;
}

// The lowest shown row of the item's subtree.
TGtTreeItem* DeepestShown(const TGtTreeModel& model, TGtTreeItem* item) {
    while (item->Expanded()) {
        TGtTreeItem* last = LastShownChild(model, item);
        if (last == nullptr) break;
        item = last;
    }
    return item;
}

bool Usable(const TGtTreeItem* item, bool ignoreEnabled) {
    return ignoreEnabled || item->Enabled();
}

}  // namespace

TGtTreeItem* FirstShown(const TGtTreeModel& model) {
    return FirstShownChild(model, model.Items().Root());
}

TGtTreeItem* LastShown(const TGtTreeModel& model) {
    TGtTreeItem* last = LastShownChild(model, model.Items().Root());
    return last != nullptr ? DeepestShown(model, last) : nullptr;
}

TGtTreeItem* NextShown(const TGtTreeModel& model, const TGtTreeItem* item) {
    if (item->Expanded())
        if (TGtTreeItem* child = FirstShownChild(model, item)) return child;
    for (const TGtTreeItem* p = item; p != nullptr && !p->IsRoot(); p = p->StoredParent())
        for (TGtTreeItem* s = p->NextSibling(); s != nullptr; s = s->NextSibling())
            if (!FilteredAway(model, s)) return s;
    return nullptr;
}

TGtTreeItem* PrevShown(const TGtTreeModel& model, const TGtTreeItem* item) {
    for (TGtTreeItem* s = item->PrevSibling(); s != nullptr; s = s->PrevSibling())
        if (!FilteredAway(model, s)) return DeepestShown(model, s);
    TGtTreeItem* parent = item->StoredParent();
    return parent != nullptr && !parent->IsRoot() ? parent : nullptr;
}

TGtNavTarget NavigationTarget(const TGtTreeModel& model, TGtTreeItem* focused, TGtNavKey key,
                              int pageRows, bool ignoreEnabled) {
    TGtNavTarget t;
    const auto step = [&](const TGtTreeItem* from, bool forward) {
        return forward ? NextShown(model, from) : PrevShown(model, from);
    };
    // The nearest usable row from `from` on (from itself included).
    const auto nearest = [&](TGtTreeItem* from, bool forward) -> TGtTreeItem* {
        for (TGtTreeItem* i = from; i != nullptr; i = step(i, forward)) {
            t.WasSelected = i->Selected();
            if (Usable(i, ignoreEnabled)) return i;
        }
        return nullptr;
    };
    switch (key) {
        case TGtNavKey::Up:
        case TGtNavKey::Down: {
            const bool forward = key == TGtNavKey::Down;
            if (focused == nullptr) {
                t.Item = nearest(FirstShown(model), true);
                break;
            }
            TGtTreeItem* next = step(focused, forward);
            t.Item = next != nullptr ? nearest(next, forward) : nullptr;
            if (t.Item == nullptr) t.Item = focused;
            break;
        }
        case TGtNavKey::PageUp:
        case TGtNavKey::PageDown: {
            if (focused == nullptr) break;
            const bool forward = key == TGtNavKey::PageDown;
            int left = pageRows;
            TGtTreeItem* candidate = nullptr;
            for (TGtTreeItem* i = focused; i != nullptr && left >= 0; i = step(i, forward)) {
                t.WasSelected = i->Selected();
                if (!Usable(i, ignoreEnabled)) continue;
                candidate = i;
                --left;
            }
            t.Item = candidate != nullptr ? candidate : focused;
            break;
        }
        case TGtNavKey::Home:
            if (focused == nullptr) break;
            t.Item = nearest(FirstShown(model), true);
            if (t.Item == nullptr) t.Item = focused;
            break;
        case TGtNavKey::End:
            if (focused == nullptr) break;
            t.Item = nearest(LastShown(model), false);
            if (t.Item == nullptr) t.Item = focused;
            break;
    }
    return t;
}

}  // namespace controls::tree
