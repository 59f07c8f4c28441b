#include "ui/links.h"

#include "core/news.h"
#include "gui/dialogs.h"

namespace ui {

std::string MakerPage(const std::string& path) {
    return std::string("http://") + MakerWebAddress + path;
}

std::string MakerHomePage() {
    return MakerPage("/?from=serplow&utm_nooverride=1");
}

void OpenLink(const std::string& target) {
    // Only web and mail addresses: no link starts a program or opens a file.
    if (!core::IsNewsLinkAllowed(target)) return;
    // A refusal of the shell leaves nothing to do: the user sees no page.
    (void)gui::ShellOpen(target);
}

bool OpenNewsLink(const std::string& target) {
    if (!core::IsNewsLinkAllowed(target)) return false;
    OpenLink(target);
    return true;
}

}  // namespace ui
