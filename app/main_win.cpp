#include <windows.h>

#include "controls/tree/init.h"
#include "core/init.h"
#include "core/options.h"
#include "core/program_win.h"
#include "core/single_instance_win.h"
#include "crashreport/reporter.h"
#include "gui/application.h"
#include "gui/init.h"
#include "net/socket_api.h"
#include "net/ssl_openssl.h"
#include "runtime/classinfo.h"
#include "runtime/exceptions.h"
#include "runtime/strings.h"
#include "runtime/threads.h"
#include "script/init.h"

namespace {

// A copy that finds another one running only hands over to it and ends:
// it makes no window, so the class library does not start there.
bool anotherCopyRuns() {
    HANDLE mutex = ::OpenMutexW(SYNCHRONIZE, FALSE, core::InstanceMutexName);
    if (mutex == nullptr) return false;
    ::CloseHandle(mutex);
    return true;
}

// The class library, with what a window's message handling lets escape
// handed to the exception reporter; the library shows an error itself
// only when nothing was reported.
void startClassLibrary() {
    gui::init();
    gui::Application->OnException = [](runtime::TObject*, std::exception_ptr error) {
        if (crashreport::ExceptionManager(error)) gui::Application->ShowException(error);
    };
}

}  // namespace

// The program's entry point: each subsystem's start-up in its fixed order,
// then the main routine, then the ends in reverse order.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // The exception reporter starts first and ends last: it watches
    // everything in between.
    crashreport::InitExceptionReporting({core::DefaultDataDir()});
    const bool windows = !anotherCopyRuns();
    try {
        runtime::InitThreads();
        runtime::RegisterRuntimeClasses();
        core::init();
        net::InitSocketInterface();
        // Without OpenSSL the program still fetches plain HTTP pages.
        net::InitSSLInterface();
        script::init();
        if (windows) {
            startClassLibrary();
            controls::tree::init();
        }
    } catch (const runtime::Exception& e) {
        const std::u16string text = runtime::AnsiToWide(e.Message());
        MessageBoxW(nullptr, reinterpret_cast<const wchar_t*>(text.c_str()), L"Serplow",
                    MB_ICONERROR | MB_OK);
        return 1;
    }
    const int exitCode = core::ProgramMain();
    if (windows) {
        controls::tree::shutdown();
        gui::shutdown();
    }
    script::shutdown();
    net::DestroySSLInterface();
    net::DoneSocketInterface();
    crashreport::DoneExceptionReporting();
    return exitCode;
}
