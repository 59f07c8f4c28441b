#include "ui/image_lists.h"

#include "gui/errors.h"
#include "gui/graphic.h"
#include "runtime/properties.h"
#include "runtime/strings.h"

namespace ui {

RUNTIME_BEGIN_CLASS(TResourceImageList, gui::TCustomImageList)
RUNTIME_PROPERTY(ResourceName, ResourceName, SetResourceName);
RUNTIME_END_CLASS

TResourceImageList::TResourceImageList(runtime::TComponent* owner) : TCustomImageList(owner) {}

void TResourceImageList::SetResourceName(std::string value) {
    resourceName_ = std::move(value);
    if (!ComponentState().Contains(runtime::csLoading)) LoadImages();
}

void TResourceImageList::Loaded() {
    TCustomImageList::Loaded();
    LoadImages();
}

void TResourceImageList::LoadImages() {
    Clear();
    if (resourceName_.empty()) return;
    gui::TBitmap strip;
    strip.LoadFromResourceName(nullptr, runtime::AnsiToWide(resourceName_));
    if (strip.Width() % Width() != 0 || strip.Height() != Height())
        throw gui::EInvalidGraphic("Image strip " + resourceName_ +
                                   " does not match the list's size");
    Add(strip);
}

}  // namespace ui
