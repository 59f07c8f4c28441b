#pragma once

// The command line as wide text, and standard output without line-end
// translation, on both platforms.

#include <string>
#include <vector>

// UTF-8 natively, the wide command line on Windows (an 8-bit argv could
// not carry every file name).
std::vector<std::u16string> Arguments(int argc, char** argv);

void BinaryStandardOutput();
