// Loading a large document: the text form and the binary form, against
// xmllint --noout on the same text file in the same run.
//
//   xml_load_bench [runs]
//
// The document has 2,000 elements of 100 children each, every one with
// attributes (about 40 MB as UTF-16). Prints the median of the runs.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "runtime/streams.h"
#include "runtime/strings.h"
#include "xml/document.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

xml::Ref<xml::IXmlDocument> BuildDocument() {
    using xml::Ref;
    Ref<xml::IXmlDocument> doc =
        xml::CreateXmlDocument(u"", "1.0", "UTF-16", xml::CreateNameTable(4096));
    Ref<xml::IXmlElement> root = doc->NewDocument("1.0", "UTF-16", u"Keywords");
    for (int k = 0; k < 2000; ++k) {
        std::u16string kn = runtime::AnsiToWide(runtime::IntToStr(k));
        Ref<xml::IXmlElement> keyword = root->AppendElement(u"Keyword");
        keyword->SetAttr(u"Name", u"search phrase number " + kn);
        keyword->SetIntAttr(u"Position", k % 50);
        keyword->SetBoolAttr(u"Active", k % 3 != 0);
        for (int l = 0; l < 100; ++l) {
            std::u16string ln = runtime::AnsiToWide(runtime::IntToStr(l));
            Ref<xml::IXmlElement> link = keyword->AppendElement(u"Link");
            link->SetAttr(u"Name", u"http://www.example.com/page" + ln + u"?q=" + kn);
            link->SetAttr(u"Title", u"Title " + ln + u" & more");
            link->SetIntAttr(u"Position", l + 1);
            link->SetFloatAttr(u"Cost", 0.25 * l);
        }
    }
    return doc;
}

// Median wall time of `runs` runs of a shell command, in seconds. Every
// load runs in a process of its own, ours as xmllint's, so that each pays
// for the memory it takes from the system.
double MedianOfCommand(int runs, const std::string& command) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        auto start = Clock::now();
        if (std::system(command.c_str()) != 0) {
            std::fprintf(stderr, "failed: %s\n", command.c_str());
            std::exit(1);
        }
        times.push_back(std::chrono::duration<double>(Clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Loads one file and frees the document; false when the tree is not whole.
bool LoadOnce(const std::string& file) {
    xml::Ref<xml::IXmlDocument> doc =
        xml::CreateXmlDocument(u"", "1.0", "UTF-16", xml::CreateNameTable(4096));
    doc->Load(file);
    return doc->DocumentElement() && doc->DocumentElement()->ChildNodes()->Count() == 2000;
}

// Median wall time of `runs` loads in this process, whose heap already
// holds the memory a document takes.
double MedianInProcess(int runs, const std::string& file) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        auto start = Clock::now();
        if (!LoadOnce(file)) std::exit(1);
        times.push_back(std::chrono::duration<double>(Clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--load") return LoadOnce(argv[2]) ? 0 : 1;
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const fs::path dir =
        fs::temp_directory_path() / ("serplow_xml_bench_" + std::to_string(getpid()));
    fs::create_directories(dir);
    const std::string textFile = (dir / "doc_utf16.xml").string();
    const std::string binaryFile = (dir / "doc.bin").string();

    {
        xml::Ref<xml::IXmlDocument> doc = BuildDocument();
        doc->Save(textFile);
        doc->SaveBinary(binaryFile, 1);
    }
    std::printf("document: %.1f MB UTF-16 text, %.1f MB binary; medians of %d runs\n",
                static_cast<double>(fs::file_size(textFile)) / 1e6,
                static_cast<double>(fs::file_size(binaryFile)) / 1e6, runs);

    const std::string self = fs::canonical("/proc/self/exe").string();
    const double start = MedianOfCommand(runs, "'" + self + "' --load /dev/null || true");
    const double xmllint = MedianOfCommand(runs, "xmllint --noout '" + textFile + "'");
    const double text = MedianOfCommand(runs, "'" + self + "' --load '" + textFile + "'");
    const double binary = MedianOfCommand(runs, "'" + self + "' --load '" + binaryFile + "'");
    const double warmText = MedianInProcess(runs, textFile);
    const double warmBinary = MedianInProcess(runs, binaryFile);

    std::printf("one process per load (as xmllint runs):\n");
    std::printf("  process start alone      %8.3f s\n", start);
    std::printf("  xmllint --noout, text    %8.3f s\n", xmllint);
    std::printf("  Load, text form          %8.3f s   %.2f x xmllint's time\n", text,
                text / xmllint);
    std::printf("  Load, binary form        %8.3f s   text form / binary form = %.2f\n", binary,
                text / binary);
    std::printf("in one process, heap already grown:\n");
    std::printf("  Load, text form          %8.3f s\n", warmText);
    std::printf("  Load, binary form        %8.3f s   text form / binary form = %.2f\n", warmBinary,
                warmText / warmBinary);
    fs::remove_all(dir);
    return 0;
}
