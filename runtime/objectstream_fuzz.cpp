// Fuzzes the binary component reader and the text-form parser: any input
// either reads or raises the runtime's errors, and what reads once writes
// and reads back the same.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "runtime/exceptions.h"
#include "runtime/objectmodel_test_classes.h"
#include "runtime/objectstream.h"
#include "runtime/objecttext.h"
#include "runtime/streams.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

std::string ToBinary(runtime::TComponent& root) {
    runtime::TStringStream stream;
    runtime::WriteComponentToStream(stream, root);
    return stream.DataString();
}

void ReadBinary(const std::string& input) {
    std::string written;
    try {
        objtest::TSampleRoot root(nullptr);
        runtime::TStringStream stream(input);
        runtime::ReadComponentFromStream(stream, root);
        written = ToBinary(root);
    } catch (const runtime::Exception&) {
        return;
    }
    // What the writer made reads back and writes the same again.
    objtest::TSampleRoot again(nullptr);
    runtime::TStringStream stream(written);
    runtime::ReadComponentFromStream(stream, again);
    Check(ToBinary(again) == written);
}

void ReadText(const std::string& input) {
    std::string binary;
    try {
        binary = runtime::ObjectTextToBinary(input);
    } catch (const runtime::Exception&) {
        return;
    }
    // Text-made binary goes to text and back unchanged.
    Check(runtime::ObjectTextToBinary(runtime::ObjectBinaryToText(binary)) == binary);
    ReadBinary(binary);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    objtest::RegisterTestClasses();
    const std::string input(reinterpret_cast<const char*>(data), size);
    ReadBinary(input);
    ReadText(input);
    try {
        runtime::ObjectBinaryToText(input);
    } catch (const runtime::Exception&) {
    }
    return 0;
}
