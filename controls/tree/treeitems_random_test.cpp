// Random inserts, deletes, moves, expands and collapses checked against a
// plain reference tree after every step.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <random>
#include <vector>

#include "controls/tree/treeitems.h"
#include "controls/tree/treemodel.h"

namespace controls::tree {
namespace {

struct Node {
    Node* parent = nullptr;
    std::vector<Node*> children;
    bool expanded = false;
    TGtTreeItem* item = nullptr;
};

struct Reference {
    std::vector<std::unique_ptr<Node>> nodes;
    Node root;

    void Preorder(Node* n, std::vector<Node*>& out) {
        for (Node* c : n->children) {
            out.push_back(c);
            Preorder(c, out);
        }
    }
    int Visible(Node* n) {
        int count = 0;
        for (Node* c : n->children) count += 1 + (c->expanded ? Visible(c) : 0);
        return count;
    }
    bool Under(Node* n, Node* ancestor) {
        for (; n != nullptr; n = n->parent)
            if (n == ancestor) return true;
        return false;
    }
    void Erase(Node* n) {
        for (Node* c : std::vector<Node*>(n->children)) Erase(c);
        auto& sib = n->parent->children;
        sib.erase(std::find(sib.begin(), sib.end(), n));
        nodes.erase(
            std::find_if(nodes.begin(), nodes.end(), [n](const auto& p) { return p.get() == n; }));
    }
};

TEST(GtTreeItemsRandom, OperationsKeepTheFlatListAndCountsRight) {
    for (unsigned seed = 1; seed <= 20; ++seed) {
        std::mt19937 rng(seed);
        TGtTreeModel tree;
        TGtTreeItems& items = tree.Items();
        Reference ref;
        ref.root.item = items.Root();
        ref.root.expanded = true;
        std::map<TGtTreeItem*, Node*> byItem;
        auto pick = [&](bool allowRoot) -> Node* {
            const size_t n = ref.nodes.size() + (allowRoot ? 1 : 0);
            if (n == 0) return nullptr;
            const size_t i = rng() % n;
            return i == ref.nodes.size() ? &ref.root : ref.nodes[i].get();
        };
        for (int step = 0; step < 300; ++step) {
            const int op = static_cast<int>(rng() % 10);
            if (op < 4 || ref.nodes.empty()) {  // insert
                Node* parent = pick(true);
                const int index = static_cast<int>(rng() % (parent->children.size() + 1));
                auto node = std::make_unique<Node>();
                node->parent = parent;
                node->item = items.InsertItem(index, parent->item);
                parent->children.insert(parent->children.begin() + index, node.get());
                byItem[node->item] = node.get();
                ref.nodes.push_back(std::move(node));
            } else if (op < 6) {  // delete
                Node* n = pick(false);
                items.DeleteItem(n->item);
                ref.Erase(n);
            } else if (op < 8) {  // move
                Node* n = pick(false);
                Node* to = pick(true);
                if (to == n) {
                    n->item->MoveToIndex(to->item, 0);  // onto itself: nothing
                } else if (ref.Under(to, n)) {
                    EXPECT_THROW(n->item->MoveToIndex(to->item, 0), EGtTreeError);
                } else {
                    const int reduced =
                        static_cast<int>(to->children.size()) - (to == n->parent ? 1 : 0);
                    const int index = static_cast<int>(rng() % (reduced + 1));
                    const int oldIndex = static_cast<int>(
                        std::find(n->parent->children.begin(), n->parent->children.end(), n) -
                        n->parent->children.begin());
                    n->item->MoveToIndex(to->item, index);
                    auto& from = n->parent->children;
                    from.erase(from.begin() + oldIndex);
                    const bool append = to == n->parent && oldIndex < index && index >= reduced;
                    to->children.insert(append ? to->children.end() : to->children.begin() + index,
                                        n);
                    n->parent = to;
                }
            } else {  // expand or collapse
                Node* n = pick(false);
                n->expanded = !n->expanded;
                n->item->SetExpanded(n->expanded);
            }
            std::vector<Node*> order;
            ref.Preorder(&ref.root, order);
            ASSERT_EQ(items.Count(), static_cast<int>(order.size())) << "seed " << seed;
            for (size_t i = 0; i < order.size(); ++i) {
                TGtTreeItem* item = items.Item(static_cast<int>(i));
                ASSERT_EQ(item, order[i]->item) << "seed " << seed << " step " << step;
                ASSERT_EQ(item->StoredParent(), order[i]->parent->item);
                ASSERT_EQ(item->ChildrenCount(), static_cast<int>(order[i]->children.size()));
            }
            ASSERT_EQ(tree.TotalVisible(), ref.Visible(&ref.root)) << "seed " << seed;
            const int visible = tree.TotalVisible();
            if (visible > 0) {
                const int v = static_cast<int>(rng() % visible);
                ASSERT_EQ(items.GetVisIndex(items.GetVisItem(v)), v);
            }
        }
    }
}

}  // namespace
}  // namespace controls::tree
