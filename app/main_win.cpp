#include <windows.h>

#include "core/init.h"
#include "core/options.h"
#include "core/program_win.h"
#include "crashreport/reporter.h"
#include "net/socket_api.h"
#include "net/ssl_openssl.h"
#include "runtime/classinfo.h"
#include "runtime/exceptions.h"
#include "runtime/strings.h"
#include "runtime/threads.h"
#include "script/init.h"

// The program's entry point: each subsystem's start-up in its fixed order,
// then the main routine, then the ends in reverse order.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // The exception reporter starts first and ends last: it watches
    // everything in between.
    crashreport::InitExceptionReporting({core::DefaultDataDir()});
    try {
        runtime::InitThreads();
        runtime::RegisterRuntimeClasses();
        core::init();
        net::InitSocketInterface();
        // Without OpenSSL the program still fetches plain HTTP pages.
        net::InitSSLInterface();
        script::init();
    } catch (const runtime::Exception& e) {
        const std::u16string text = runtime::AnsiToWide(e.Message());
        MessageBoxW(nullptr, reinterpret_cast<const wchar_t*>(text.c_str()), L"Serplow",
                    MB_ICONERROR | MB_OK);
        return 1;
    }
    const int exitCode = core::ProgramMain();
    script::shutdown();
    net::DestroySSLInterface();
    net::DoneSocketInterface();
    crashreport::DoneExceptionReporting();
    return exitCode;
}
