#include "crashreport/options_stream.h"

#include <algorithm>
#include <cstring>

namespace crashreport {

namespace {

constexpr std::array<const char*, TextCount> defaultTexts = {
    "Information.",
    "Question.",
    "Error.",
    "An error has occurred during program execution.\r\n"
    "Please read the following information for further details.",
    "General",
    "General Information",
    "Call Stack",
    "Call Stack Information",
    "Modules",
    "Modules Information",
    "CPU",  // 10
    "CPU Information",
    "Other",
    "Other Information",
    "&OK",
    "&Terminate",
    "&Restart",
    "&Details",
    "&Send this error via Internet",
    "&Attach a Screenshot image",
    "&Copy to Clipboard",  // 20
    "Go to the Support Page",
    "Application",
    "Start Date",
    "Name/Description",
    "Version Number",
    "Parameters",
    "Compilation Date",
    "Exception",
    "Date",
    "Address",  // 30
    "Module",
    "Type",
    "Message",
    "Active Controls",
    "Form Class",
    "Form Text",
    "Control Class",
    "Control Text",
    "Computer",
    "Name",  // 40
    "User",
    "Total Memory",
    "Free Memory",
    "Total Disk",
    "Free Disk",
    "System Up Time",
    "Processor",
    "Display Mode",
    "Operating System",
    "Type",  // 50
    "Build #",
    "Update",
    "Language",
    "Network",
    "IP Address",
    "Submask",
    "Gateway",
    "DNS 1",
    "DNS 2",
    "DHCP",  // 60
    "Custom Information",
    "Address",
    "Module",
    "Unit",
    "Class",
    "Procedure/Method",
    "Line",
    "Main",
    "Exception Thread",
    "Running Thread",  // 70
    "Calling Thread",
    "ID",
    "Priority",
    "Class",
    "Send.",
    "Message",
    "Resolving DNS...",
    "Connecting with server...",
    "Connected with server.",
    "Sending message...",  // 80
    "Request",
    "Please describe the steps to reproduce the error:",
    "&OK",
    "Handle",
    "Name",
    "Description",
    "Version",
    "Size",
    "Modified",
    "Path",  // 90
    "Registers",
    "Stack",
    "Memory Dump",
    "The message was sent successfully.",
    "Sorry, sending the message didn't work.",
};
static_assert(defaultTexts.size() == TextCount);

// Reads the little-endian scalars of the stream.
class Reader {
  public:
    explicit Reader(TByteSource& source) : source_(source) {}

    uint8_t Byte() {
        uint8_t b;
        source_.Read(&b, 1);
        return b;
    }
    uint16_t Word() {
        uint8_t b[2];
        source_.Read(b, 2);
        return static_cast<uint16_t>(b[0] | b[1] << 8);
    }
    int32_t Int() {
        uint8_t b[4];
        source_.Read(b, 4);
        return static_cast<int32_t>(static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
                                    static_cast<uint32_t>(b[2]) << 16 |
                                    static_cast<uint32_t>(b[3]) << 24);
    }
    std::string Str() { return ReadScrambledString(source_); }

  private:
    TByteSource& source_;
};

void putByte(std::string& out, uint8_t value) {
    out.push_back(static_cast<char>(value));
}

void putWord(std::string& out, uint16_t value) {
    putByte(out, static_cast<uint8_t>(value));
    putByte(out, static_cast<uint8_t>(value >> 8));
}

void putInt(std::string& out, int32_t value) {
    const auto u = static_cast<uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) putByte(out, static_cast<uint8_t>(u >> shift));
}

void setBit(uint8_t& flags, uint8_t bit, bool on) {
    flags = on ? (flags | bit) : (flags & ~bit);
}

void setBit(uint16_t& flags, uint16_t bit, bool on) {
    flags = static_cast<uint16_t>(on ? (flags | bit) : (flags & ~bit));
}

// Older data kept 32 field bits in a different order, with nine bits that
// the current list no longer has; drop those and renumber the rest.
void convertOldShownFields(std::array<uint8_t, ShownFieldBytes>& fields) {
    std::string bits;
    for (int i = 0; i < 8 * ShownFieldBytes; ++i) {
        bits += (fields[i / 8] >> (i % 8) & 1) ? '1' : '0';
    }
    bits.erase(4, 1);
    bits.erase(19, 3);
    bits.erase(23, 5);
    fields.fill(0);
    for (size_t k = 0; k < bits.size(); ++k) {
        if (bits[k] == '1') fields[k / 8] |= static_cast<uint8_t>(1 << (k % 8));
    }
}

// True when text i was already stored by data of `version`.
bool textStored(int i, uint16_t version) {
    if (version < 420 && i == 17) return false;
    if (version <= 420 && i == 16) return false;
    if (version < 450) {
        static constexpr int added450[] = {8, 9, 10, 11, 18, 19, 20, 26, 41, 47, 48, 52};
        if (std::find(std::begin(added450), std::end(added450), i) != std::end(added450) ||
            i >= 75) {
            return false;
        }
    }
    if (version < 500) {
        static constexpr int added500[] = {12, 13, 21, 27, 46, 47, 48, 89, 94, 95};
        if (std::find(std::begin(added500), std::end(added500), i) != std::end(added500) ||
            (i >= 54 && i <= 61) || (i >= 68 && i <= 74)) {
            return false;
        }
    }
    return true;
}

}  // namespace

const char* const DefaultHtmlPageLayout =
    "<html>\r\n  <head>\r\n  </head>\r\n  <body TopMargin=10 LeftMargin=10>\r\n"
    "    <table width=\"100%\" border=\"0\">\r\n      <tr>\r\n        <td nowrap>\r\n"
    "          <font face=\"Lucida Console, Courier\" size=\"2\">\r\n"
    "            <%HTML_TAG%>\r\n          </font>\r\n        </td>\r\n      </tr>\r\n"
    "    </table>\r\n  </body>\r\n</html>";

const char* const DefaultSmtpSender = "crashreport@localhost";

const std::array<const char*, TextCount>& DefaultTexts() {
    return defaultTexts;
}

TVvOptionsValues::TVvOptionsValues() {
    std::copy(defaultTexts.begin(), defaultTexts.end(), Texts.begin());
}

bool TVvOptionsValues::FieldShown(int bit) const {
    if (bit < 0 || bit >= 8 * ShownFieldBytes) return false;
    return (ShownFields[bit / 8] >> (bit % 8) & 1) != 0;
}

void TMemoryByteSource::Read(void* buffer, size_t count) {
    if (count > bytes_.size() - position_) throw EOptionsStreamError("Stream read error");
    std::memcpy(buffer, bytes_.data() + position_, count);
    position_ += count;
}

void WriteScrambledString(std::string& out, std::string_view text) {
    if (text.size() > 1 && text.find("\r\n") == text.size() - 2) text.remove_suffix(2);
    putInt(out, static_cast<int32_t>(text.size()));
    for (char c : text) putByte(out, static_cast<uint8_t>(c) ^ ScrambleByte);
}

std::string ReadScrambledString(TByteSource& source) {
    Reader reader(source);
    const int32_t length = reader.Int();
    if (length < 0) throw EOptionsStreamError("Stream read error");
    std::string text;
    // Read in pieces, so a corrupt length fails at the stream's end instead
    // of allocating what it claims.
    constexpr size_t piece = 4096;
    while (text.size() < static_cast<size_t>(length)) {
        const size_t count = std::min(piece, static_cast<size_t>(length) - text.size());
        const size_t at = text.size();
        text.resize(at + count);
        source.Read(text.data() + at, count);
    }
    for (char& c : text) c = static_cast<char>(static_cast<uint8_t>(c) ^ ScrambleByte);
    return text;
}

std::string SaveOptions(const TVvOptionsValues& v) {
    std::string out;
    putByte(out, v.LogActive);
    putByte(out, v.FilterActive);
    putByte(out, v.LogFlags);
    putByte(out, v.LogInMailBody);
    putByte(out, v.SaveLogFile);
    putByte(out, v.FirstDialogTab);
    putByte(out, v.FreezeCheckActive);
    putInt(out, v.FreezeTimeoutSecs);
    WriteScrambledString(out, v.FrozenText);
    WriteScrambledString(out, v.SmtpSender);
    WriteScrambledString(out, v.SmtpServer);
    putWord(out, v.SmtpServerPort);
    WriteScrambledString(out, v.SmtpLogin);
    WriteScrambledString(out, v.SmtpLoginPassword);
    putByte(out, v.TerminateAction);
    putByte(out, v.TerminateButtonShown);
    putInt(out, v.LogEntriesKept);
    putInt(out, v.ErrorsBeforeTerminateButton);
    WriteScrambledString(out, v.MailRecipients);
    WriteScrambledString(out, v.MailSubject);
    putByte(out, v.MailMode);
    for (uint8_t b : v.ShownFields) putByte(out, b);
    WriteScrambledString(out, v.OutputPath);
    putByte(out, v.UploadMode);
    WriteScrambledString(out, v.UploadURL);
    WriteScrambledString(out, v.UploadLogin);
    WriteScrambledString(out, v.UploadPassword);
    putInt(out, v.UploadPort);
    WriteScrambledString(out, v.ExtraFiles);
    putWord(out, v.SendFlags);
    putByte(out, v.DialogFlags);
    putInt(out, v.DialogAutoCloseSecs);
    WriteScrambledString(out, v.SupportPageURL);
    WriteScrambledString(out, v.HtmlPageLayout);
    putByte(out, v.CallStackFlags);
    putByte(out, v.BehaviourFlags);
    putByte(out, v.RepeatCrashAction);
    putInt(out, v.RepeatCrashCount);
    putInt(out, v.RepeatCrashMinutes);
    const size_t pairs = std::max(v.FilterClasses.size(), v.FilterMessages.size());
    putInt(out, static_cast<int32_t>(pairs));
    for (size_t i = 0; i < pairs; ++i) {
        WriteScrambledString(out, i < v.FilterClasses.size() ? v.FilterClasses[i] : "");
        WriteScrambledString(out, i < v.FilterMessages.size() ? v.FilterMessages[i] : "");
    }
    WriteScrambledString(out, v.MailBody);
    for (const std::string& text : v.Texts) WriteScrambledString(out, text);
    return out;
}

void LoadOptions(TByteSource& source, uint16_t version, TVvOptionsValues& v) {
    Reader r(source);
    const uint16_t V = version;
    v.LogActive = r.Byte();
    v.FilterActive = r.Byte();
    v.LogFlags = r.Byte();
    if (V < 500) {
        uint8_t show = r.Byte();
        if (V < 450) show ^= 1;
        setBit(v.DialogFlags, dfShowReport, show != 0);
    }
    v.LogInMailBody = r.Byte();
    if (V >= 450 && V < 500) {
        setBit(v.SendFlags, sfWholeLog, r.Byte() != 0);
        setBit(v.SendFlags, sfScreenshot, r.Byte() != 0);
        setBit(v.SendFlags, sfShowProgress, r.Byte() != 0);
    }
    if (V > 400) {
        v.SaveLogFile = r.Byte();
        v.FirstDialogTab = r.Byte();
    }
    if (V > 402 && V < 500) setBit(v.DialogFlags, dfOwnLook, r.Byte() != 0);
    if (V >= 420) {
        v.FreezeCheckActive = r.Byte();
        v.FreezeTimeoutSecs = r.Int();
        if (V < 422) v.FreezeTimeoutSecs /= 1000;
        v.FrozenText = r.Str();
        if (V >= 450) v.SmtpSender = r.Str();
    }
    v.SmtpServer = r.Str();
    if (V >= 450) v.SmtpServerPort = r.Word();
    if (V > 420) {
        v.SmtpLogin = r.Str();
        v.SmtpLoginPassword = r.Str();
        v.TerminateAction = r.Byte();
    }
    v.TerminateButtonShown = r.Byte();
    v.LogEntriesKept = std::max<int32_t>(1, r.Int());
    v.ErrorsBeforeTerminateButton = r.Int();
    v.MailRecipients = r.Str();
    v.MailSubject = r.Str();
    v.MailMode = r.Byte();
    if (V < 450 && v.MailMode != 0) v.MailMode = v.SmtpServer.empty() ? 1 : 2;
    if (V >= 500) {
        for (uint8_t& b : v.ShownFields) b = r.Byte();
    } else {
        for (int i = 0; i < 4; ++i) v.ShownFields[i] = r.Byte();
        convertOldShownFields(v.ShownFields);
    }
    if (V < 450) r.Byte();
    v.OutputPath = r.Str();
    if (V >= 500) {
        v.UploadMode = r.Byte();
        v.UploadURL = r.Str();
        v.UploadLogin = r.Str();
        v.UploadPassword = r.Str();
        v.UploadPort = r.Int();
        v.ExtraFiles = r.Str();
        v.SendFlags = r.Word();
        v.DialogFlags = r.Byte();
        v.DialogAutoCloseSecs = r.Int();
        v.SupportPageURL = r.Str();
        v.HtmlPageLayout = r.Str();
        v.CallStackFlags = r.Byte();
        v.BehaviourFlags = r.Byte();
        v.RepeatCrashAction = r.Byte();
        v.RepeatCrashCount = r.Int();
        v.RepeatCrashMinutes = r.Int();
    }
    v.FilterClasses.clear();
    v.FilterMessages.clear();
    const int32_t pairs = r.Int();
    for (int32_t i = 0; i < pairs; ++i) {
        v.FilterClasses.push_back(r.Str());
        v.FilterMessages.push_back(r.Str());
    }
    v.MailBody = r.Str();
    for (int i = 0; i < TextCount; ++i) {
        if (textStored(i, V)) v.Texts[i] = r.Str();
    }
}

}  // namespace crashreport
