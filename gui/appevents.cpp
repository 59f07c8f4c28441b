#include "gui/appevents.h"

#include <algorithm>

#include "runtime/properties.h"

namespace gui {

RUNTIME_BEGIN_CLASS(TApplicationEvents, runtime::TComponent)
RUNTIME_FIELD(OnIdle);
RUNTIME_FIELD(OnHint);
RUNTIME_FIELD(OnShortCut);
RUNTIME_END_CLASS

TApplicationEvents::TApplicationEvents(TComponent* owner)
    : TComponent(owner), application_(Application) {
    if (application_ != nullptr) application_->events_.push_back(this);
}

TApplicationEvents::~TApplicationEvents() {
    if (application_ == nullptr) return;
    auto& list = application_->events_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

}  // namespace gui
