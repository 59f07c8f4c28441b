#pragma once

// Component classes for the object model and stream tests (and the stream
// fuzz target): a control-like TSample with a property of every kind and
// events, a container that parents samples, a root with handler methods.
// The list holder with string-list and collection properties lives in
// objectmodel_test_lists.h.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "runtime/component.h"
#include "runtime/events.h"
#include "runtime/persistent.h"
#include "runtime/variant.h"

namespace objtest {

using namespace runtime;

RUNTIME_ENUM(TSampleAlign, saNone, saTop, saBottom, saClient)
RUNTIME_ENUM(TSampleOption, soBold, soItalic, soUnderline)
RUNTIME_SET(TSampleOptions, TSampleOption)

// A sub-object streamed as "Font.Name", "Font.Size".
class TSampleFont : public TPersistent {
    RUNTIME_CLASS(TSampleFont)

  public:
    const std::string& Name() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }
    int Size() const { return size_; }
    void SetSize(int size) { size_ = size; }
    void Assign(const TPersistent* source) override;

  private:
    std::string name_ = "Tahoma";
    int size_ = 8;
};

class TSampleContainer;

// Defined properties: "Extra" (an integer) and "Blob" (binary bytes).
class TSample : public TComponent {
    RUNTIME_CLASS(TSample)

  public:
    explicit TSample(TComponent* owner);
    ~TSample() override;

    int32_t Width() const { return width_; }
    void SetWidth(int32_t v) { width_ = v; }
    int16_t Small() const { return small_; }
    void SetSmall(int16_t v) { small_ = v; }
    uint32_t Flags() const { return flags_; }
    void SetFlags(uint32_t v) { flags_ = v; }
    int64_t Big() const { return big_; }
    void SetBig(int64_t v) { big_ = v; }
    char Letter() const { return letter_; }
    void SetLetter(char v) { letter_ = v; }
    char16_t WideLetter() const { return wideLetter_; }
    void SetWideLetter(char16_t v) { wideLetter_ = v; }
    TSampleAlign Align() const { return align_; }
    void SetAlign(TSampleAlign v) { align_ = v; }
    bool Visible() const { return visible_; }
    void SetVisible(bool v) { visible_ = v; }
    TSampleOptions Options() const { return options_; }
    void SetOptions(TSampleOptions v) { options_ = v; }
    double Ratio() const { return ratio_; }
    void SetRatio(double v) { ratio_ = v; }
    float Scale() const { return scale_; }
    void SetScale(float v) { scale_ = v; }
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& v) { caption_ = v; }
    const std::u16string& Text() const { return text_; }
    void SetText(std::u16string v) { text_ = std::move(v); }
    const Variant& Data() const { return data_; }
    void SetData(const Variant& v) { data_ = v; }
    TSample* Buddy() const { return buddy_; }
    void SetBuddy(TSample* v);
    TSampleFont* Font() const { return font_.get(); }
    int32_t Count() const { return 42; }
    int32_t Transient() const { return transient_; }
    void SetTransient(int32_t v) { transient_ = v; }
    int32_t Extra() const { return extra_; }
    void SetExtra(int32_t v) { extra_ = v; }
    const std::string& Blob() const { return blob_; }
    void SetBlob(std::string v) { blob_ = std::move(v); }

    TNotifyEvent OnClick;
    TMouseEvent OnMouseDown;
    TKeyPressEvent OnKeyPress;
    TCloseQueryEvent OnCloseQuery;

    TSampleContainer* ParentContainer() const { return parent_; }
    bool HasParent() const override { return true; }
    TComponent* GetParentComponent() const override;
    void SetParentComponent(TComponent* parent) override;
    void DefineProperties(TFiler& filer) override;
    void Loaded() override;
    bool WasLoaded() const { return loaded_; }

  protected:
    void Notification(TComponent* component, TOperation operation) override;

  private:
    friend class TSampleContainer;
    int32_t width_ = 120;
    int16_t small_ = 0;
    uint32_t flags_ = 0;
    int64_t big_ = 0;
    char letter_ = 'a';
    char16_t wideLetter_ = u'a';
    TSampleAlign align_ = saNone;
    bool visible_ = true;
    TSampleOptions options_;
    double ratio_ = 0;
    float scale_ = 0;
    std::string caption_;
    std::u16string text_;
    Variant data_;
    TSample* buddy_ = nullptr;
    std::unique_ptr<TSampleFont> font_;
    int32_t transient_ = 0;
    int32_t extra_ = 0;
    std::string blob_;
    TSampleContainer* parent_ = nullptr;
    bool loaded_ = false;
};

// Parents samples; streams them as its children.
class TSampleContainer : public TSample {
    RUNTIME_CLASS(TSampleContainer)

  public:
    explicit TSampleContainer(TComponent* owner) : TSample(owner) {}
    ~TSampleContainer() override;

    const std::vector<TSample*>& Children() const { return children_; }
    void AddChild(TSample& child);
    void RemoveChild(TSample& child);
    void GetChildren(const TGetChildProc& proc, TComponent* root) override;

  private:
    std::vector<TSample*> children_;
};

// The root of a layout: records the calls of its handler methods.
class TSampleRoot : public TSampleContainer {
    RUNTIME_CLASS(TSampleRoot)

  public:
    explicit TSampleRoot(TComponent* owner) : TSampleContainer(owner) {}

    void SampleClick(TObject* sender);
    void SampleMouseDown(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
    void SampleKeyPress(TObject* sender, char& key);

    std::vector<std::string> Log;
};

// Registers the test classes by name (once).
void RegisterTestClasses();

}  // namespace objtest
