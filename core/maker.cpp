#include "core/maker.h"

#include "runtime/os/environment.h"

namespace core {

std::string MakerHost() {
    const std::optional<std::string> host = runtime::os::GetEnv(kMakerHostVariable);
    return host && !host->empty() ? *host : std::string(kMakerHost);
}

std::string MakerWebAddress() {
    return "http://" + MakerHost();
}

std::string MakerURL(std::string_view path) {
    return MakerWebAddress() + std::string(path);
}

}  // namespace core
