#include "crashreport/options.h"

#include <gtest/gtest.h>

#include <set>

#include "runtime/os/paths.h"
#include "runtime/strings.h"

namespace crashreport {
namespace {

// Builds option streams byte by byte, by the documented layout.
struct Bytes {
    std::string data;
    Bytes& B(uint8_t v) {
        data.push_back(static_cast<char>(v));
        return *this;
    }
    Bytes& W(uint16_t v) { return B(static_cast<uint8_t>(v)).B(static_cast<uint8_t>(v >> 8)); }
    Bytes& I(int32_t v) {
        const auto u = static_cast<uint32_t>(v);
        return B(u & 0xFF).B(u >> 8 & 0xFF).B(u >> 16 & 0xFF).B(u >> 24);
    }
    Bytes& S(std::string_view s) {
        I(static_cast<int32_t>(s.size()));
        for (char c : s) B(static_cast<uint8_t>(c) ^ ScrambleByte);
        return *this;
    }
};

TVvOptionsValues loadBytes(const std::string& bytes, uint16_t version, size_t* consumed = nullptr) {
    TVvOptionsValues values;
    TMemoryByteSource source(bytes);
    LoadOptions(source, version, values);
    if (consumed) *consumed = source.Position();
    return values;
}

TVvOptionsValues nonDefaultValues() {
    TVvOptionsValues v;
    v.LogActive = 0;
    v.FilterActive = 0;
    v.LogFlags = 0x3F;
    v.LogInMailBody = 1;
    v.SaveLogFile = 0;
    v.FirstDialogTab = 3;
    v.FreezeCheckActive = 1;
    v.FreezeTimeoutSecs = 7;
    v.FrozenText = "Frozen!";
    v.SmtpSender = "me@example.com";
    v.SmtpServer = "smtp.example.com";
    v.SmtpServerPort = 587;
    v.SmtpLogin = "login";
    v.SmtpLoginPassword = "secret";
    v.TerminateAction = 0;
    v.TerminateButtonShown = 0;
    v.LogEntriesKept = 5;
    v.ErrorsBeforeTerminateButton = 9;
    v.MailRecipients = "a@example.com;b@example.com";
    v.MailSubject = "Subject";
    v.MailMode = 3;
    v.ShownFields = {0x01, 0x80, 0x55, 0xAA, 0x01};
    v.OutputPath = "C:\\Logs";
    v.UploadMode = 2;
    v.UploadURL = "https://example.com/upload";
    v.UploadLogin = "up";
    v.UploadPassword = "pw";
    v.UploadPort = 8443;
    v.ExtraFiles = "a.txt;b.txt";
    v.SendFlags = 0x03FF;
    v.DialogFlags = 0xE0;
    v.DialogAutoCloseSecs = 30;
    v.SupportPageURL = "https://example.com/support";
    v.HtmlPageLayout = "<p><%HTML_TAG%></p>";
    v.CallStackFlags = 0x1F;
    v.BehaviourFlags = 0x4F;
    v.RepeatCrashAction = 0;
    v.RepeatCrashCount = 4;
    v.RepeatCrashMinutes = 2;
    v.FilterClasses = {"EAbort", "EConvertError"};
    v.FilterMessages = {"", "Bad number", "extra message"};
    v.MailBody = "Body\r\nsecond line";
    for (int i = 0; i < TextCount; ++i) v.Texts[i] = "text " + std::to_string(i);
    return v;
}

TEST(OptionsStream, RoundTripKeepsEveryFieldAndPadsTheShorterFilterList) {
    const TVvOptionsValues saved = nonDefaultValues();
    size_t consumed = 0;
    const std::string bytes = SaveOptions(saved);
    TVvOptionsValues loaded = loadBytes(bytes, LibraryDataVersion, &consumed);
    EXPECT_EQ(consumed, bytes.size());
    ASSERT_EQ(loaded.FilterClasses.size(), 3u);
    EXPECT_EQ(loaded.FilterClasses[2], "");
    loaded.FilterClasses.pop_back();
    EXPECT_EQ(loaded, saved);
}

TEST(OptionsStream, DefaultsSurviveARoundTrip) {
    const TVvOptionsValues defaults;
    EXPECT_EQ(loadBytes(SaveOptions(defaults), LibraryDataVersion), defaults);
    EXPECT_EQ(defaults.Texts[3],
              "An error has occurred during program execution.\r\n"
              "Please read the following information for further details.");
    EXPECT_EQ(defaults.Texts[95], "Sorry, sending the message didn't work.");
}

TEST(OptionsStream, ScrambledStringsDropOnlyASingleTrailingLineEnd) {
    struct Case {
        std::string text;
        std::string stored;
    } cases[] = {
        {"line\r\n", "line"},
        {"two\r\nlines\r\n", "two\r\nlines\r\n"},
        {"\r\n", ""},
        {"x", "x"},
        {"", ""},
    };
    for (const Case& c : cases) {
        std::string out;
        WriteScrambledString(out, c.text);
        EXPECT_EQ(out, Bytes().S(c.stored).data) << c.text;
        TMemoryByteSource source(out);
        EXPECT_EQ(ReadScrambledString(source), c.stored);
    }
}

TEST(OptionsStream, TruncatedStreamsFailWithoutOverAllocating) {
    const std::string bytes = SaveOptions(TVvOptionsValues());
    for (size_t cut : {size_t{0}, size_t{5}, bytes.size() / 2, bytes.size() - 1}) {
        EXPECT_THROW(loadBytes(bytes.substr(0, cut), LibraryDataVersion), EOptionsStreamError)
            << cut;
    }
    // A string claiming two gigabytes fails at the stream's end.
    const std::string huge = Bytes().B(1).B(1).B(0x30).B(0).B(1).B(0).B(0).I(60).I(0x7FFFFFFF).data;
    EXPECT_THROW(loadBytes(huge, LibraryDataVersion), EOptionsStreamError);
}

// A stream of an older version, laid out field by field as that version
// wrote it; the values are chosen to tell the fields apart.
struct Legacy {
    uint16_t version;
    uint8_t showReport = 1;
    int32_t freezeTimeout = 5;
    uint8_t mailMode = 1;
    std::string smtpServer = "mail.example.com";
    std::array<uint8_t, 4> shownFields{0xFF, 0xFF, 0xFF, 0xFF};
    int32_t keep = 12;
};

bool textIn(uint16_t v, int i) {
    static const std::set<int> new450 = {8, 9, 10, 11, 18, 19, 20, 26, 41, 47, 48, 52};
    static const std::set<int> new500 = {12, 13, 21, 27, 46, 47, 48, 54, 55, 56, 57, 58, 59,
                                         60, 61, 68, 69, 70, 71, 72, 73, 74, 89, 94, 95};
    if (v < 420 && i == 17) return false;
    if (v <= 420 && i == 16) return false;
    if (v < 450 && (new450.count(i) || i >= 75)) return false;
    if (v < 500 && new500.count(i)) return false;
    return true;
}

std::string legacyStream(const Legacy& l) {
    const uint16_t V = l.version;
    Bytes b;
    b.B(0).B(0).B(0x01);  // LogActive, FilterActive, LogFlags
    if (V < 500) b.B(l.showReport);
    b.B(1);  // LogInMailBody
    if (V >= 450 && V < 500) b.B(1).B(0).B(1);
    if (V > 400) b.B(0).B(2);  // SaveLogFile, FirstDialogTab
    if (V > 402 && V < 500) b.B(1);
    if (V >= 420) {
        b.B(1).I(l.freezeTimeout).S("frozen");
        if (V >= 450) b.S("sender@example.com");
    }
    b.S(l.smtpServer);
    if (V >= 450) b.W(2525);
    if (V > 420) b.S("user").S("pass").B(0);
    b.B(0).I(l.keep).I(4).S("to@example.com").S("subject").B(l.mailMode);
    for (uint8_t f : l.shownFields) b.B(f);
    if (V < 450) b.B(0xEE);
    b.S("C:\\Out");
    b.I(1).S("EAbort").S("");
    b.S("body");
    for (int i = 0; i < TextCount; ++i) {
        if (textIn(V, i)) b.S("old " + std::to_string(i));
    }
    return b.data;
}

TEST(OptionsStream, OlderVersionsReadOnlyTheFieldsTheyStored) {
    for (uint16_t version : {400, 403, 419, 420, 421, 422, 449, 450, 499}) {
        Legacy legacy{version};
        const std::string bytes = legacyStream(legacy);
        size_t consumed = 0;
        const TVvOptionsValues v = loadBytes(bytes, version, &consumed);
        const TVvOptionsValues defaults;
        SCOPED_TRACE(version);
        EXPECT_EQ(consumed, bytes.size());
        EXPECT_EQ(v.OutputPath, "C:\\Out");
        EXPECT_EQ(v.MailBody, "body");
        EXPECT_EQ(v.SaveLogFile, version > 400 ? 0 : defaults.SaveLogFile);
        EXPECT_EQ(v.FreezeTimeoutSecs, version < 420 ? 60 : version < 422 ? 0 : 5);
        EXPECT_EQ(v.SmtpSender, version >= 450 ? "sender@example.com" : defaults.SmtpSender);
        EXPECT_EQ(v.SmtpServerPort, version >= 450 ? 2525 : 25);
        EXPECT_EQ(v.SmtpLogin, version > 420 ? "user" : "");
        // Before 450 the mail mode only said "on"; the server decides which.
        EXPECT_EQ(v.MailMode, version < 450 ? 2 : 1);
        // Before 450 the dialog flag was stored inverted.
        EXPECT_EQ(v.DialogFlags & dfShowReport, version < 450 ? 0 : 1);
        EXPECT_EQ((v.DialogFlags & dfOwnLook) != 0, version > 402 && version < 500);
        if (version >= 450) {
            EXPECT_EQ(v.SendFlags & 0x0015, sfWholeLog | sfShowProgress);
        }
        for (int i = 0; i < TextCount; ++i) {
            EXPECT_EQ(v.Texts[i], textIn(version, i) ? "old " + std::to_string(i)
                                                     : std::string(DefaultTexts()[i]))
                << i;
        }
    }
}

TEST(OptionsStream, FreezeTimeoutOf420WasStoredInMilliseconds) {
    Legacy legacy{420};
    legacy.freezeTimeout = 30000;
    EXPECT_EQ(loadBytes(legacyStream(legacy), 420).FreezeTimeoutSecs, 30);
    legacy.version = 421;
    EXPECT_EQ(loadBytes(legacyStream(legacy), 421).FreezeTimeoutSecs, 30);
    legacy.version = 422;
    EXPECT_EQ(loadBytes(legacyStream(legacy), 422).FreezeTimeoutSecs, 30000);
}

TEST(OptionsStream, MailModeOfOldDataFollowsTheServer) {
    Legacy legacy{449};
    legacy.smtpServer = "";
    EXPECT_EQ(loadBytes(legacyStream(legacy), 449).MailMode, 1);
    legacy.mailMode = 0;
    EXPECT_EQ(loadBytes(legacyStream(legacy), 449).MailMode, 0);
}

TEST(OptionsStream, OldShownFieldsLoseTheirRetiredBits) {
    // Old bit k is kept unless it is one of 4, 20-22 or 27-31; the rest
    // close up in order. The fifth byte, which old data did not store, keeps
    // its value (all set by default) and so sets bits 23-30.
    for (int oldBit = 0; oldBit < 32; ++oldBit) {
        Legacy legacy{449};
        legacy.shownFields = {0, 0, 0, 0};
        legacy.shownFields[oldBit / 8] = static_cast<uint8_t>(1 << (oldBit % 8));
        const TVvOptionsValues v = loadBytes(legacyStream(legacy), 449);
        int expected = oldBit;
        if (oldBit == 4 || (oldBit >= 20 && oldBit <= 22) || (oldBit >= 27 && oldBit <= 31)) {
            expected = -1;
        } else if (oldBit > 22) {
            expected = oldBit - 4;
        } else if (oldBit > 4) {
            expected = oldBit - 1;
        }
        for (int bit = 0; bit < 40; ++bit) {
            const bool fromFifthByte = bit >= 23 && bit <= 30;
            EXPECT_EQ(v.FieldShown(bit), bit == expected || fromFifthByte)
                << oldBit << " -> " << bit;
        }
    }
}

TEST(OptionsStream, AKeepCountBelowOneIsReadAsOne) {
    for (int32_t stored : {0, -5}) {
        TVvOptionsValues written = nonDefaultValues();
        written.LogEntriesKept = stored;
        EXPECT_EQ(loadBytes(SaveOptions(written), LibraryDataVersion).LogEntriesKept, 1);
        EXPECT_EQ(
            loadBytes(legacyStream(Legacy{449, 1, 5, 1, "x", {}, stored}), 449).LogEntriesKept, 1);
    }
}

TEST(ModuleOptions, SettersStoreAndClampAndAssignCopiesAllButActiveAndName) {
    TVvModuleOptions options("C:\\App\\Prog.exe", false);
    options.SetLogEntriesKept(0);
    EXPECT_EQ(options.LogEntriesKept(), 1);
    options.SetLogEntriesKept(-3);
    EXPECT_EQ(options.LogEntriesKept(), 1);

    TVvModuleOptions other("C:\\App\\Other.dll", false);
    other.SetActive(0);
    other.SetFreezeCheckActive(1);
    other.SetOutputPath("D:\\Logs");
    other.SetText(3, "Intro");
    other.SetFilters({"EAbort"}, {"skipped"});
    options.Assign(&other);
    EXPECT_EQ(options.ModuleName(), "C:\\App\\Prog.exe");
    EXPECT_EQ(options.Active(), 1);
    EXPECT_EQ(options.FreezeCheckActive(), 1);
    EXPECT_EQ(options.OutputPath(), "D:\\Logs");
    EXPECT_EQ(options.GetText(3), "Intro");
    EXPECT_EQ(options.FilterMessages(), std::vector<std::string>{"skipped"});
    EXPECT_EQ(options.GetText(96), "");

    try {
        options.Assign(nullptr);
        FAIL() << "no exception";
    } catch (const runtime::EConvertError& e) {
        EXPECT_EQ(e.Message(), "Impossible to assign nil as TVvModuleOptions.");
    }
}

TEST(ModuleOptions, ChangesPublishUnlessHeldBack) {
    struct Counting : TVvModuleOptions {
        using TVvModuleOptions::TVvModuleOptions;
        int published = 0;
        void Publish() override { ++published; }
    };
    Counting shared("prog.exe", true);
    EXPECT_EQ(shared.published, 0);  // the constructor's defaults are held back
    shared.SetMailMode(1);
    EXPECT_EQ(shared.published, 1);
    shared.BeginUpdate();
    shared.SetMailMode(2);
    shared.SetSmtpServer("x");
    shared.EndUpdate();
    EXPECT_EQ(shared.published, 1);
    runtime::TMemoryStream stream;
    shared.SaveToStream(stream);
    stream.SetPosition(0);
    shared.LoadFromStream(stream, LibraryDataVersion);
    EXPECT_EQ(shared.published, 2);  // once for the whole load

    Counting unshared("prog.exe", false);
    unshared.SetMailMode(1);
    EXPECT_EQ(unshared.published, 0);
}

TEST(ModuleOptions, LoadFromATruncatedStreamRaisesAReadError) {
    TVvModuleOptions options("prog.exe", false);
    const std::string bytes = SaveOptions(nonDefaultValues()).substr(0, 40);
    runtime::TStringStream stream(bytes);
    EXPECT_THROW(options.LoadFromStream(stream, LibraryDataVersion), runtime::EReadError);
}

TEST(LogFileName, FollowsTheOutputPathRules) {
    const std::string d(1, runtime::os::PathDelim);
    const std::string logs = d + "Logs";
    const std::string module = d + "App" + d + "Prog.exe";
    struct Case {
        std::string outputPath, defaultFolder;
        bool computer;
        std::string computerName, expected;
    } cases[] = {
        {logs, "", false, "", logs + d + "Prog.elf"},
        {logs + d, "", false, "", logs + d + "Prog.elf"},
        {logs, "", true, "PC", logs + d + "Prog_PC.elf"},
        {d + "x" + d + "All.ELF", "", false, "", d + "x" + d + "All.ELF"},
        {"", d + "Data", false, "", d + "Data" + d + "Prog.elf"},
        {"", "", false, "", d + "App" + d + "Prog.elf"},
        {logs, "", true, "a:b*c?d", logs + d + "Prog_a_b_c_d.elf"},
    };
    using runtime::AnsiToWide;
    for (const Case& c : cases) {
        EXPECT_EQ(ComposeLogFileName(module, c.outputPath, AnsiToWide(c.defaultFolder), c.computer,
                                     c.computerName),
                  AnsiToWide(c.expected))
            << c.outputPath;
    }
    // A user's data folder whose name the code page cannot spell.
    const std::u16string data = AnsiToWide(d) + u"\u041f\u0451\u0442\u0440 \u6771\u4eac";
    EXPECT_EQ(ComposeLogFileName(module, "", data, true, "PC"),
              data + AnsiToWide(d) + u"Prog_PC.elf");
    TVvModuleOptions options(module, false);
    options.SetOutputPath(logs);
    EXPECT_EQ(options.LogFileName("", u""), AnsiToWide(logs + d + "Prog.elf"));
    EXPECT_EQ(options.LogFileName(d + "b" + d + "Lib.dll", u""), AnsiToWide(logs + d + "Lib.elf"));
}

}  // namespace
}  // namespace crashreport
