#include "crashreport/sysinfo_win.h"

#include <iphlpapi.h>
#include <shellapi.h>

#include <cmath>
#include <vector>

#include "crashreport/modules_win.h"
#include "crashreport/texthelpers.h"
#include "runtime/format.h"
#include "runtime/os/dynlib.h"
#include "runtime/strings.h"

namespace crashreport {

namespace {

constexpr std::string_view listSeparator = " - ";

std::string wideToAnsi(const wchar_t* text) {
    return runtime::WideToAnsi(reinterpret_cast<const char16_t*>(text));
}

std::string megabytes(DWORDLONG bytes) {
    return std::to_string(static_cast<long long>(std::llround(bytes / 1048576.0))) + " Mb";
}

std::string gigabytes(ULONGLONG bytes) {
    return runtime::FormatFloat("0.##", bytes / 1073741824.0) + " Gb";
}

std::string twoDigits(uint64_t value) {
    return value < 10 ? "0" + std::to_string(value) : std::to_string(value);
}

std::string processorName() {
    const std::string key = "\\HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0";
    std::string name =
        runtime::Trim(ReadRegistryString(HKEY_LOCAL_MACHINE, key, "ProcessorNameString"));
    if (!name.empty()) return name;
    const std::string vendor =
        runtime::Trim(ReadRegistryString(HKEY_LOCAL_MACHINE, key, "VendorIdentifier"));
    const std::string identifier =
        runtime::Trim(ReadRegistryString(HKEY_LOCAL_MACHINE, key, "Identifier"));
    if (!vendor.empty() && !identifier.empty()) return vendor + " - " + identifier;
    if (!vendor.empty()) return vendor;
    if (!identifier.empty()) return identifier;
    return "Unknown processor";
}

std::string systemLanguage() {
    wchar_t name[128];
    const LCID locale = MAKELCID(::GetSystemDefaultLangID(), SORT_DEFAULT);
    if (::GetLocaleInfoW(locale, LOCALE_SLANGUAGE, name, 128) == 0) return {};
    return wideToAnsi(name);
}

// The adapters' addresses and name servers, one part per adapter.
void fillNetwork(TReportHeader& h) {
    runtime::os::DynamicLibrary iphlpapi("iphlpapi.dll");
    using AdaptersInfo = ULONG(WINAPI*)(PIP_ADAPTER_INFO, PULONG);
    using PerAdapterInfo = DWORD(WINAPI*)(ULONG, PIP_PER_ADAPTER_INFO, PULONG);
    const auto adaptersInfo = iphlpapi.SymbolAs<AdaptersInfo>("GetAdaptersInfo");
    const auto perAdapterInfo = iphlpapi.SymbolAs<PerAdapterInfo>("GetPerAdapterInfo");
    if (adaptersInfo == nullptr) return;
    ULONG size = 0;
    if (adaptersInfo(nullptr, &size) != ERROR_BUFFER_OVERFLOW || size == 0) return;
    std::vector<char> buffer(size);
    auto* adapters = reinterpret_cast<PIP_ADAPTER_INFO>(buffer.data());
    if (adaptersInfo(adapters, &size) != ERROR_SUCCESS) return;
    const std::string separator(listSeparator);
    for (PIP_ADAPTER_INFO a = adapters; a != nullptr; a = a->Next) {
        h.Dhcp += (a->DhcpEnabled ? "ON" : "OFF") + separator;
        h.IpAddress += a->IpAddressList.IpAddress.String + separator;
        h.Submask += a->IpAddressList.IpMask.String + separator;
        h.Gateway += a->GatewayList.IpAddress.String + separator;
        if (perAdapterInfo == nullptr) continue;
        ULONG perSize = 0;
        if (perAdapterInfo(a->Index, nullptr, &perSize) != ERROR_BUFFER_OVERFLOW || perSize == 0) {
            continue;
        }
        std::vector<char> perBuffer(perSize);
        auto* per = reinterpret_cast<PIP_PER_ADAPTER_INFO>(perBuffer.data());
        if (perAdapterInfo(a->Index, per, &perSize) != ERROR_SUCCESS) continue;
        h.Dns1 += per->DnsServerList.IpAddress.String + separator;
        h.Dns2 += (per->DnsServerList.Next != nullptr
                       ? std::string(per->DnsServerList.Next->IpAddress.String)
                       : std::string()) +
                  separator;
    }
    for (std::string* value : {&h.Dhcp, &h.IpAddress, &h.Submask, &h.Gateway, &h.Dns1, &h.Dns2}) {
        if (value->ends_with(listSeparator)) value->resize(value->size() - listSeparator.size());
    }
}

// The text of a window of this process, asking without waiting long for a
// thread that does not answer.
std::string windowText(HWND window) {
    wchar_t text[257] = {};
    DWORD_PTR copied = 0;
    if (!::SendMessageTimeoutW(window, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text),
                               SMTO_ABORTIFHUNG | SMTO_BLOCK, 1000, &copied)) {
        return {};
    }
    text[256] = L'\0';
    return ControlsToBlanks(wideToAnsi(text));
}

std::string windowClass(HWND window) {
    wchar_t name[256] = {};
    if (::GetClassNameW(window, name, 256) == 0) return {};
    return wideToAnsi(name);
}

}  // namespace

std::string OperatingSystemName() {
    // The version as the system reports it to programs.
    OSVERSIONINFOEXW v{};
    v.dwOSVersionInfoSize = sizeof v;
    using GetVersion = LONG(WINAPI*)(OSVERSIONINFOEXW*);
    const auto rtlGetVersion = reinterpret_cast<GetVersion>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "RtlGetVersion")));
    if (rtlGetVersion == nullptr || rtlGetVersion(&v) != 0) return "Microsoft Windows ";
    struct Name {
        DWORD major, minor;
        const char* name;
    };
    static constexpr Name names[] = {{4, 0, "NT 4.0"}, {5, 0, "2000"},  {5, 1, "XP"},
                                     {5, 2, "2003"},   {6, 0, "Vista"}, {6, 1, "7"},
                                     {6, 2, "8"},      {6, 3, "8.1"},   {10, 0, "10"}};
    for (const Name& n : names) {
        if (n.major == v.dwMajorVersion && n.minor == v.dwMinorVersion) {
            return std::string("Microsoft Windows ") + n.name;
        }
    }
    return "Microsoft Windows ";
}

void FillSystemValues(TReportHeader& h) {
    char computer[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof computer;
    if (::GetComputerNameA(computer, &size)) h.Computer = computer;
    char user[256] = {};
    size = sizeof user;
    if (::GetUserNameA(user, &size)) h.User = user;
    MEMORYSTATUSEX memory{};
    memory.dwLength = sizeof memory;
    if (::GlobalMemoryStatusEx(&memory)) {
        h.TotalMemory = megabytes(memory.ullTotalPhys);
        h.FreeMemory = megabytes(memory.ullAvailPhys);
    }
    char program[MAX_PATH];
    if (::GetModuleFileNameA(nullptr, program, MAX_PATH) >= 3 && program[1] == ':') {
        const std::string root = std::string(program, 2) + "\\";
        ULARGE_INTEGER available, total;
        if (::GetDiskFreeSpaceExA(root.c_str(), &available, &total, nullptr)) {
            h.TotalDisk = gigabytes(total.QuadPart);
            h.FreeDisk = gigabytes(available.QuadPart);
        }
    }
    const uint64_t seconds = ::GetTickCount64() / 1000;
    h.UpTime = twoDigits(seconds / 86400) + ":" + twoDigits(seconds / 3600 % 24) + ":" +
               twoDigits(seconds / 60 % 60) + ":" + twoDigits(seconds % 60);
    h.Processor = processorName();
    HDC screen = ::GetDC(nullptr);
    if (screen != nullptr) {
        h.DisplayMode = runtime::Format(
            "%d x %d x %d", {::GetDeviceCaps(screen, HORZRES), ::GetDeviceCaps(screen, VERTRES),
                             ::GetDeviceCaps(screen, BITSPIXEL)});
        ::ReleaseDC(nullptr, screen);
    }
    h.OsType = OperatingSystemName();
    OSVERSIONINFOEXA v{};
    v.dwOSVersionInfoSize = sizeof v;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (::GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&v))) {
#pragma GCC diagnostic pop
        h.OsBuild = std::to_string(v.dwBuildNumber);
        h.OsUpdate = runtime::Trim(v.szCSDVersion);
    }
    h.OsLanguage = systemLanguage();
    fillNetwork(h);
}

void FillActiveControls(TReportHeader& h, DWORD thread) {
    if (HWND foreground = ::GetForegroundWindow()) {
        DWORD process = 0;
        ::GetWindowThreadProcessId(foreground, &process);
        h.FormClass = windowClass(foreground);
        if (process == ::GetCurrentProcessId()) h.FormText = windowText(foreground);
    }
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    if (!::GetGUIThreadInfo(thread, &gui) || gui.hwndFocus == nullptr) return;
    h.ControlClass = windowClass(gui.hwndFocus);
    h.ControlText = windowText(gui.hwndFocus);
    const bool edit =
        runtime::UpperCase(runtime::Trim(h.ControlClass)).find("EDIT") != std::string::npos;
    if (edit && (::GetWindowLongPtrW(gui.hwndFocus, GWL_STYLE) & ES_PASSWORD) != 0) {
        h.ControlText.assign(h.ControlText.size(), '*');
    }
}

std::string CommandLineParameters() {
    int count = 0;
    LPWSTR* arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (arguments == nullptr) return {};
    std::string text;
    for (int i = 1; i < count; ++i) {
        if (i > 1) text += " ";
        text += "\"" + wideToAnsi(arguments[i]) + "\"";
    }
    ::LocalFree(arguments);
    return text;
}

bool IsConsoleProgram() {
    const auto base = reinterpret_cast<const uint8_t*>(::GetModuleHandleW(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(base + dos->e_lfanew);
    return nt->OptionalHeader.Subsystem == IMAGE_SUBSYSTEM_WINDOWS_CUI;
}

}  // namespace crashreport
