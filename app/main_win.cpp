#include <windows.h>

#include "core/init.h"
#include "core/options.h"
#include "core/program_win.h"
#include "crashreport/reporter.h"
#include "gui/application.h"
#include "net/socket_api.h"
#include "net/ssl_openssl.h"
#include "runtime/classinfo.h"
#include "runtime/exceptions.h"
#include "runtime/strings.h"
#include "runtime/threads.h"
#include "script/init.h"
#include "ui/program_win.h"

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
    // The main routine starts the class library once it knows this copy
    // runs (a second one only hands over); what the library's message
    // handling lets escape goes to the exception reporter, and the library
    // shows an error itself only when nothing was reported.
    core::TProgramParts parts = ui::ProgramParts();
    parts.StartApplication = [start = parts.StartApplication] {
        start();
        gui::Application->OnException = [](runtime::TObject*, std::exception_ptr error) {
            if (crashreport::ExceptionManager(error)) gui::Application->ShowException(error);
        };
    };
    int exitCode = 1;
    try {
        exitCode = core::ProgramMain(parts);
    } catch (const runtime::Exception& e) {
        // The windows could not be made.
        const std::u16string text = runtime::AnsiToWide(e.Message());
        MessageBoxW(nullptr, reinterpret_cast<const wchar_t*>(text.c_str()), L"Serplow",
                    MB_ICONERROR | MB_OK);
    }
    script::shutdown();
    net::DestroySSLInterface();
    net::DoneSocketInterface();
    crashreport::DoneExceptionReporting();
    return exitCode;
}
