#pragma once

// TGtTreeItems: the item collection of one tree: the invisible root, the
// add/insert/delete family, walks, searches, access by index through the
// tree's list of all items, batched updates, assignment and the stream
// property "Data" (every item, written by SaveToStream).

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "controls/tree/treeitem.h"
#include "controls/tree/treemodel.h"
#include "runtime/persistent.h"

namespace runtime {
class TStream;
class TStrings;
}  // namespace runtime

namespace controls::tree {

class TGtTreeModel;
class TGtWideStrings;

// A walk's callback: set `continueWalk` to false to stop at once.
using TGtIterateProc = std::function<void(TGtTreeItem* item, int index, bool& continueWalk,
                                          void* iterateData, TGtTreeModel* tree)>;
// LookForItemEx's test of one item.
using TGtCompareProc = std::function<bool(TGtTreeItem* item, void* searchDetails)>;

class TGtTreeItems : public runtime::TPersistent {
    RUNTIME_CLASS(TGtTreeItems)

  public:
    TGtTreeItems(TGtTreeModel* owner, TGtTreeItemFactory factory);
    ~TGtTreeItems() override;

    TGtTreeModel* Owner() const { return owner_; }
    TGtTreeItem* Root() const { return root_.get(); }

    // ---- counting and access ----------------------------------------------------------
    int Count() const;
    // None outside 0..Count-1.
    TGtTreeItem* Item(int index) const;
    TGtTreeItem* GetVisItem(int index) const;
    int GetVisIndex(const TGtTreeItem* item) const;
    int GetAbsIndex(const TGtTreeItem* item) const;

    // ---- adding -----------------------------------------------------------------------
    virtual std::unique_ptr<TGtTreeItem> CreateItem(TGtTreeModel* tree);
    // A new item without text as the last child of parent (none: the root).
    TGtTreeItem* AddItem(TGtTreeItem* parent);
    // At `index` of parent's children; EGtTreeError "GtTree item index out
    // of bounds." outside 0..child count, before anything is made.
    TGtTreeItem* InsertItem(int index, TGtTreeItem* parent);
    virtual TGtTreeItem* Add(TGtTreeItem* item, std::u16string_view text);
    virtual TGtTreeItem* AddChild(TGtTreeItem* item, std::u16string_view text);
    virtual TGtTreeItem* AddChildFirst(TGtTreeItem* item, std::u16string_view text);
    virtual TGtTreeItem* AddChildObject(TGtTreeItem* item, std::u16string_view text, void* data);
    virtual TGtTreeItem* AddChildObjectFirst(TGtTreeItem* item, std::u16string_view text,
                                             void* data);
    virtual TGtTreeItem* AddFirst(TGtTreeItem* item, std::u16string_view text);
    virtual TGtTreeItem* AddObject(TGtTreeItem* item, std::u16string_view text, void* data);
    virtual TGtTreeItem* AddObjectFirst(TGtTreeItem* item, std::u16string_view text, void* data);
    virtual TGtTreeItem* Insert(TGtTreeItem* item, std::u16string_view text);
    virtual TGtTreeItem* InsertObject(TGtTreeItem* item, std::u16string_view text, void* data);
    virtual TGtTreeItem* InsertAfter(TGtTreeItem* item, std::u16string_view text);
    virtual TGtTreeItem* InsertAfterObject(TGtTreeItem* item, std::u16string_view text, void* data);
    // One item from a tab-structured line: leading tabs give the level,
    // tab-separated fields the texts.
    void AddFromLine(int index, std::u16string_view line);

    // ---- deleting ---------------------------------------------------------------------
    // None and the root are ignored.
    virtual void DeleteItem(TGtTreeItem* item);
    void Clear();

    // ---- updates ----------------------------------------------------------------------
    virtual void BeginUpdate();
    virtual void EndUpdate();

    // ---- walks and searches -----------------------------------------------------------
    void IterateAll(bool visibleOnly, bool includeCollapsed, const TGtIterateProc& proc,
                    void* data) const;
    void Iterate(bool visibleOnly, bool includeCollapsed, const TGtIterateProc& proc, void* data,
                 TGtTreeItem* startFrom) const;
    void IterateBackAll(bool visibleOnly, bool includeCollapsed, const TGtIterateProc& proc,
                        void* data) const;
    void IterateBack(bool visibleOnly, bool includeCollapsed, const TGtIterateProc& proc,
                     void* data, TGtTreeItem* startFrom) const;
    TGtTreeItem* LookForItem(TGtTreeItem* startItem, std::u16string_view text, void* dataToFind,
                             int column, bool lookForData, bool checkStartItem, bool subItemsOnly,
                             bool visibleOnly, bool noCase) const;
    TGtTreeItem* LookForItemEx(TGtTreeItem* startItem, bool checkStartItem, bool subItemsOnly,
                               bool visibleOnly, bool includeCollapsed, void* searchDetails,
                               const TGtCompareProc& compareProc) const;

    // ---- copying and streams ----------------------------------------------------------
    void Assign(const runtime::TPersistent* source) override;
    void Assign(const runtime::TStrings& source);
    void DefineProperties(runtime::TFiler& filer) override;
    virtual void LoadFromStream(runtime::TStream& stream);
    virtual void SaveToStream(runtime::TStream& stream);

  private:
    TGtTreeItem* ParentOf(TGtTreeItem* item) const;
    bool WalkHidden(const TGtTreeItem* item, bool visibleOnly) const;
    void AssignLines(const TGtWideStrings& lines);

    TGtTreeModel* owner_;
    TGtTreeItemFactory factory_;
    std::unique_ptr<TGtTreeItem> root_;
};

}  // namespace controls::tree
