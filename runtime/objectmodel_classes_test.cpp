// The component classes of objectmodel_test_classes.h. Named *_test.cpp so
// that the runtime library leaves it out; it holds no tests itself.

#include <algorithm>
#include <mutex>

#include "runtime/objectmodel_test_classes.h"
#include "runtime/objectmodel_test_lists.h"
#include "runtime/objectstream.h"
#include "runtime/properties.h"
#include "runtime/streams.h"

namespace objtest {

RUNTIME_BEGIN_CLASS(TSampleFont, TPersistent)
RUNTIME_PROPERTY(Name, Name, SetName).Default("Tahoma");
RUNTIME_PROPERTY(Size, Size, SetSize).Default(8);
RUNTIME_END_CLASS

void TSampleFont::Assign(const TPersistent* source) {
    if (const auto* font = dynamic_cast<const TSampleFont*>(source)) {
        name_ = font->name_;
        size_ = font->size_;
        return;
    }
    TPersistent::Assign(source);
}

RUNTIME_BEGIN_CLASS(TSample, TComponent)
RUNTIME_PROPERTY(Width, Width, SetWidth).Default(120);
RUNTIME_PROPERTY(Small, Small, SetSmall);
RUNTIME_PROPERTY(Flags, Flags, SetFlags).Default(0);
RUNTIME_PROPERTY(Big, Big, SetBig).Default(0);
RUNTIME_PROPERTY(Letter, Letter, SetLetter).Default('a');
RUNTIME_PROPERTY(WideLetter, WideLetter, SetWideLetter).Default(u'a');
RUNTIME_PROPERTY(Align, Align, SetAlign).Default(saNone);
RUNTIME_PROPERTY(Visible, Visible, SetVisible).Default(true);
RUNTIME_PROPERTY(Options, Options, SetOptions).Default(TSampleOptions{});
RUNTIME_PROPERTY(Ratio, Ratio, SetRatio);
RUNTIME_PROPERTY(Scale, Scale, SetScale);
RUNTIME_PROPERTY(Caption, Caption, SetCaption);
RUNTIME_PROPERTY(Text, Text, SetText);
RUNTIME_PROPERTY(Data, Data, SetData);
RUNTIME_PROPERTY(Buddy, Buddy, SetBuddy);
RUNTIME_READONLY(Font, Font);
RUNTIME_READONLY(Count, Count);
RUNTIME_PROPERTY(Transient, Transient, SetTransient).Stored(false);
RUNTIME_FIELD(OnClick);
RUNTIME_FIELD(OnMouseDown);
RUNTIME_FIELD(OnKeyPress);
RUNTIME_FIELD(OnCloseQuery);
RUNTIME_END_CLASS

TSample::TSample(TComponent* owner) : TComponent(owner), font_(std::make_unique<TSampleFont>()) {}

TSample::~TSample() {
    if (parent_ != nullptr) parent_->RemoveChild(*this);
}

void TSample::SetBuddy(TSample* v) {
    buddy_ = v;
    if (v != nullptr) v->FreeNotification(this);
}

TComponent* TSample::GetParentComponent() const {
    return parent_;
}

void TSample::SetParentComponent(TComponent* parent) {
    if (parent_ != nullptr) parent_->RemoveChild(*this);
    if (auto* container = dynamic_cast<TSampleContainer*>(parent)) container->AddChild(*this);
}

void TSample::DefineProperties(TFiler& filer) {
    TComponent::DefineProperties(filer);
    filer.DefineProperty(
        "Extra", [this](TReader& reader) { extra_ = reader.ReadInteger(); },
        [this](TWriter& writer) { writer.WriteInteger(extra_); }, extra_ != 0);
    filer.DefineBinaryProperty(
        "Blob",
        [this](TStream& stream) {
            blob_.assign(static_cast<size_t>(stream.Size()), '\0');
            stream.ReadBuffer(blob_.data(), stream.Size());
        },
        [this](TStream& stream) {
            stream.WriteBuffer(blob_.data(), static_cast<int64_t>(blob_.size()));
        },
        !blob_.empty());
}

void TSample::Loaded() {
    TComponent::Loaded();
    loaded_ = true;
}

void TSample::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == buddy_) buddy_ = nullptr;
}

RUNTIME_BEGIN_CLASS(TSampleContainer, TSample)
RUNTIME_END_CLASS

TSampleContainer::~TSampleContainer() {
    for (TSample* child : children_) child->parent_ = nullptr;
}

void TSampleContainer::AddChild(TSample& child) {
    children_.push_back(&child);
    child.parent_ = this;
}

void TSampleContainer::RemoveChild(TSample& child) {
    children_.erase(std::remove(children_.begin(), children_.end(), &child), children_.end());
    child.parent_ = nullptr;
}

void TSampleContainer::GetChildren(const TGetChildProc& proc, TComponent* root) {
    TComponent::GetChildren(proc, root);
    for (TSample* child : children_)
        if (child->Owner() == root) proc(*child);
}

RUNTIME_BEGIN_CLASS(TSampleRoot, TSampleContainer)
RUNTIME_HANDLER(SampleClick);
RUNTIME_HANDLER(SampleMouseDown);
RUNTIME_HANDLER(SampleKeyPress);
RUNTIME_END_CLASS

void TSampleRoot::SampleClick(TObject* sender) {
    const auto* component = dynamic_cast<const TComponent*>(sender);
    Log.push_back("click " + (component != nullptr ? component->Name() : std::string("?")));
}

void TSampleRoot::SampleMouseDown(TObject*, TMouseButton button, TShiftState shift, int x, int y) {
    Log.push_back("mouse " + std::to_string(button) + " " + std::to_string(shift.Mask()) + " " +
                  std::to_string(x) + "," + std::to_string(y));
}

void TSampleRoot::SampleKeyPress(TObject*, char& key) {
    Log.push_back(std::string("key ") + key);
    key = 'Z';
}

void RegisterTestClasses() {
    static std::once_flag once;
    std::call_once(once, [] {
        RegisterRuntimeClasses();
        RegisterClassInfo<TSample>();
        RegisterClassInfo<TSampleContainer>();
        RegisterClassInfo<TSampleRoot>();
        RegisterListHolderClass();
    });
}

}  // namespace objtest
