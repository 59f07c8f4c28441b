#include "runtime/locale.h"

namespace runtime {

namespace {

// Written at start-up (and by tests through ScopedFormatSettings) before
// other threads read it.
TFormatSettings& settingsInstance() {
    static TFormatSettings settings = DefaultFormatSettings();
    return settings;
}

}  // namespace

const TFormatSettings& FormatSettings() {
    return settingsInstance();
}

void SetFormatSettings(const TFormatSettings& settings) {
    settingsInstance() = settings;
}

TFormatSettings DefaultFormatSettings() {
    return TFormatSettings{};
}

ScopedFormatSettings::ScopedFormatSettings(const TFormatSettings& settings)
    : saved_(FormatSettings()) {
    SetFormatSettings(settings);
}

ScopedFormatSettings::~ScopedFormatSettings() {
    SetFormatSettings(saved_);
}

}  // namespace runtime
