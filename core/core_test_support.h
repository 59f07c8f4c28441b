#pragma once

// Shared by the core's tests: the program-wide callbacks replaced for a
// scope, and the process environment changed for a scope.

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/state.h"
#include "runtime/os/environment.h"

namespace core::testing {

class ScopedCallbacks {
  public:
    explicit ScopedCallbacks(CoreCallbacks callbacks) : saved_(std::move(Callbacks)) {
        Callbacks = std::move(callbacks);
    }
    ~ScopedCallbacks() { Callbacks = std::move(saved_); }
    ScopedCallbacks(const ScopedCallbacks&) = delete;
    ScopedCallbacks& operator=(const ScopedCallbacks&) = delete;

  private:
    CoreCallbacks saved_;
};

class ScopedEnvironment {
  public:
    ScopedEnvironment() = default;
    ~ScopedEnvironment() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) Apply(it->first, it->second);
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

    // Sets the variable, or unsets it for nothing.
    void Set(const std::string& name, const std::optional<std::string>& value) {
        saved_.emplace_back(name, runtime::os::GetEnv(name));
        Apply(name, value);
    }

  private:
    static void Apply(const std::string& name, const std::optional<std::string>& value) {
        if (value) {
            (void)runtime::os::SetEnv(name, *value);
        } else {
            (void)runtime::os::UnsetEnv(name);
        }
    }

    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

}  // namespace core::testing
