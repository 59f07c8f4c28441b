#pragma once

// The reporter's options as plain values, and their binary stream: what a
// module's library data carries and what the options objects load and save.
//
// Standard library only: the build-time debug-data tool writes the default
// options with it, and that tool is built with the host compiler alone.

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace crashreport {

// Version of the library data this library writes; older data is read by
// the rules of its own version.
inline constexpr uint16_t LibraryDataVersion = 502;
// The report's first line names the library and this version.
inline constexpr const char* LibraryVersionText = "5.0.2";

inline constexpr int TextCount = 96;
inline constexpr int ShownFieldBytes = 5;
// Every string of the options stream is stored XOR-ed with this byte.
inline constexpr uint8_t ScrambleByte = 0xA7;

// The 96 default texts of the dialogs and the report, by index.
const std::array<const char*, TextCount>& DefaultTexts();
// The default error page of web programs; "<%HTML_TAG%>" takes the text.
extern const char* const DefaultHtmlPageLayout;
// The MAIL FROM address used when none is set.
extern const char* const DefaultSmtpSender;

// LogFlags bits.
inline constexpr uint8_t lfSuppressDuplicates = 0x01;
inline constexpr uint8_t lfAskReproduceSteps = 0x02;
inline constexpr uint8_t lfDeleteOnNewVersion = 0x04;
inline constexpr uint8_t lfComputerNameInLogName = 0x08;
inline constexpr uint8_t lfModulesSection = 0x10;
inline constexpr uint8_t lfCpuSection = 0x20;

// SendFlags bits.
inline constexpr uint16_t sfShowProgress = 0x0001;
inline constexpr uint16_t sfShowResult = 0x0002;
inline constexpr uint16_t sfWholeLog = 0x0004;
inline constexpr uint16_t sfXmlLog = 0x0008;
inline constexpr uint16_t sfScreenshot = 0x0010;
inline constexpr uint16_t sfForegroundWindowOnly = 0x0020;
inline constexpr uint16_t sfLastHtmlPage = 0x0040;
inline constexpr uint16_t sfBackground = 0x0080;
inline constexpr uint16_t sfDateInFileNames = 0x0100;
inline constexpr uint16_t sfPackFiles = 0x0200;

// DialogFlags bits.
inline constexpr uint8_t dfShowReport = 0x01;
inline constexpr uint8_t dfSendChecked = 0x02;
inline constexpr uint8_t dfScreenshotChecked = 0x04;
inline constexpr uint8_t dfCopyOption = 0x08;
inline constexpr uint8_t dfDetailsButton = 0x10;
inline constexpr uint8_t dfDetailed = 0x20;
inline constexpr uint8_t dfTopMost = 0x40;
inline constexpr uint8_t dfOwnLook = 0x80;

// CallStackFlags bits.
inline constexpr uint8_t csPlainExports = 0x01;
inline constexpr uint8_t csDecoratedExports = 0x02;
inline constexpr uint8_t csClassThreads = 0x04;
inline constexpr uint8_t csOtherThreads = 0x08;
inline constexpr uint8_t csLineOffsets = 0x10;

// BehaviourFlags bits.
inline constexpr uint8_t bfRepeatCrashRule = 0x01;
inline constexpr uint8_t bfSuspendClassThreads = 0x02;
inline constexpr uint8_t bfNotMainThread = 0x04;
inline constexpr uint8_t bfSuspendOtherThreads = 0x08;
inline constexpr uint8_t bfMainModuleData = 0x10;
inline constexpr uint8_t bfClipboardOnSendFailure = 0x20;
inline constexpr uint8_t bfKeepPackedFiles = 0x40;

// The streamed options, with their defaults, in stream order (the filter
// pairs, MailBody and the texts come last).
struct TVvOptionsValues {
    uint8_t LogActive = 1;
    uint8_t FilterActive = 1;
    uint8_t LogFlags = lfModulesSection | lfCpuSection;
    uint8_t LogInMailBody = 0;
    uint8_t SaveLogFile = 1;
    uint8_t FirstDialogTab = 0;
    uint8_t FreezeCheckActive = 0;
    int32_t FreezeTimeoutSecs = 60;
    std::string FrozenText = "The application seems to be frozen.";
    std::string SmtpSender = DefaultSmtpSender;
    std::string SmtpServer;
    uint16_t SmtpServerPort = 25;
    std::string SmtpLogin;
    std::string SmtpLoginPassword;
    uint8_t TerminateAction = 1;
    uint8_t TerminateButtonShown = 1;
    int32_t LogEntriesKept = 32;
    int32_t ErrorsBeforeTerminateButton = 3;
    std::string MailRecipients;
    std::string MailSubject;
    uint8_t MailMode = 0;
    std::array<uint8_t, ShownFieldBytes> ShownFields{0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    std::string OutputPath;
    uint8_t UploadMode = 0;
    std::string UploadURL;
    std::string UploadLogin;
    std::string UploadPassword;
    int32_t UploadPort = 0;
    std::string ExtraFiles;
    uint16_t SendFlags = sfShowProgress | sfScreenshot | sfLastHtmlPage;
    uint8_t DialogFlags = 0x1F;
    int32_t DialogAutoCloseSecs = 0;
    std::string SupportPageURL;
    std::string HtmlPageLayout = DefaultHtmlPageLayout;
    uint8_t CallStackFlags = 0x0F;
    uint8_t BehaviourFlags = bfMainModuleData | bfClipboardOnSendFailure;
    uint8_t RepeatCrashAction = 1;
    int32_t RepeatCrashCount = 10;
    int32_t RepeatCrashMinutes = 1;
    // Parallel lists; the stream pairs them up to the longer one's count.
    std::vector<std::string> FilterClasses;
    std::vector<std::string> FilterMessages;
    std::string MailBody;
    std::array<std::string, TextCount> Texts;

    TVvOptionsValues();
    bool operator==(const TVvOptionsValues&) const = default;

    // Bit i of ShownFields (byte i / 8, bit i % 8).
    [[nodiscard]] bool FieldShown(int bit) const;
};

// A stream that ends before the options do.
class EOptionsStreamError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Where the reader takes its bytes from; Read fills `count` bytes or throws.
class TByteSource {
  public:
    virtual ~TByteSource() = default;
    virtual void Read(void* buffer, size_t count) = 0;
};

// A byte source over memory; reading past the end throws
// EOptionsStreamError.
class TMemoryByteSource : public TByteSource {
  public:
    explicit TMemoryByteSource(std::string_view bytes) : bytes_(bytes) {}
    void Read(void* buffer, size_t count) override;
    [[nodiscard]] size_t Position() const { return position_; }

  private:
    std::string_view bytes_;
    size_t position_ = 0;
};

// The options stream of the current version.
std::string SaveOptions(const TVvOptionsValues& values);
// Reads an options stream written by library data of `version`; fields the
// version did not store keep their value in `values`. A keep count below 1
// is read as 1.
void LoadOptions(TByteSource& source, uint16_t version, TVvOptionsValues& values);

// A scrambled string: int32 length, then the bytes XOR ScrambleByte. A text
// longer than one character whose only CR LF ends it is stored without it.
void WriteScrambledString(std::string& out, std::string_view text);
std::string ReadScrambledString(TByteSource& source);

}  // namespace crashreport
