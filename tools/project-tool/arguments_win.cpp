#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <windows.h>

#include "arguments.h"
// After windows.h, which it needs.
#include <shellapi.h>

std::vector<std::u16string> Arguments(int, char**) {
    std::vector<std::u16string> args;
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 0; wide && i < count; ++i)
        args.emplace_back(reinterpret_cast<const char16_t*>(wide[i]));
    LocalFree(wide);
    return args;
}

void BinaryStandardOutput() {
    _setmode(_fileno(stdout), _O_BINARY);
}
