#pragma once

// The report's facts about the computer, the system, the network and the
// program. Every value that cannot be obtained stays empty.

#include <windows.h>

#include "crashreport/report_text.h"

namespace crashreport {

// Items 4.1-6.6: computer, user, memory, disk, up time, processor, display,
// system name, build, update and language, network adapters.
void FillSystemValues(TReportHeader& header);

// Items 3.1-3.4: the foreground window, and the control that has the focus
// in `thread` (a password edit's text is masked).
void FillActiveControls(TReportHeader& header, DWORD thread);

// Item 1.4: the command-line parameters, each in double quotes.
std::string CommandLineParameters();

// "Microsoft Windows ..." for the running system.
std::string OperatingSystemName();

// The program runs in a console (no windows of its own to show a dialog
// over).
bool IsConsoleProgram();

}  // namespace crashreport
