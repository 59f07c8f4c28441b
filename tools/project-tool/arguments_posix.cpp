#include "arguments.h"
#include "runtime/strings.h"

std::vector<std::u16string> Arguments(int argc, char** argv) {
    std::vector<std::u16string> args;
    for (int i = 0; i < argc; ++i) args.push_back(runtime::Utf8ToWide(argv[i]));
    return args;
}

void BinaryStandardOutput() {}
