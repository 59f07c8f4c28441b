#pragma once

// The options of one module: which outputs a report goes to, what it
// holds, how threads and hangs are treated, and the 96 texts. One object
// per known module; for each report the options of the module where the
// exception happened are copied into the current options.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "crashreport/options_stream.h"
#include "runtime/exceptions.h"
#include "runtime/object.h"
#include "runtime/streams.h"

namespace crashreport {

// The streamed scalar and string fields: type and name. Each gets a getter
// and a setter that stores the value and calls Changed.
#define CRASHREPORT_OPTION_FIELDS(X)        \
    X(uint8_t, LogActive)                   \
    X(uint8_t, FilterActive)                \
    X(uint8_t, LogFlags)                    \
    X(uint8_t, LogInMailBody)               \
    X(uint8_t, SaveLogFile)                 \
    X(uint8_t, FirstDialogTab)              \
    X(int32_t, FreezeTimeoutSecs)           \
    X(std::string, FrozenText)              \
    X(std::string, SmtpSender)              \
    X(std::string, SmtpServer)              \
    X(uint16_t, SmtpServerPort)             \
    X(std::string, SmtpLogin)               \
    X(std::string, SmtpLoginPassword)       \
    X(uint8_t, TerminateAction)             \
    X(uint8_t, TerminateButtonShown)        \
    X(int32_t, ErrorsBeforeTerminateButton) \
    X(std::string, MailRecipients)          \
    X(std::string, MailSubject)             \
    X(uint8_t, MailMode)                    \
    X(std::string, OutputPath)              \
    X(uint8_t, UploadMode)                  \
    X(std::string, UploadURL)               \
    X(std::string, UploadLogin)             \
    X(std::string, UploadPassword)          \
    X(int32_t, UploadPort)                  \
    X(std::string, ExtraFiles)              \
    X(uint16_t, SendFlags)                  \
    X(uint8_t, DialogFlags)                 \
    X(int32_t, DialogAutoCloseSecs)         \
    X(std::string, SupportPageURL)          \
    X(std::string, HtmlPageLayout)          \
    X(uint8_t, CallStackFlags)              \
    X(uint8_t, BehaviourFlags)              \
    X(uint8_t, RepeatCrashAction)           \
    X(int32_t, RepeatCrashCount)            \
    X(int32_t, RepeatCrashMinutes)          \
    X(std::string, MailBody)

class TVvModuleOptions : public runtime::TObject {
  public:
    // Defaults; ModuleName is the module's file name.
    TVvModuleOptions(std::string moduleName, bool saveSharedData);

    [[nodiscard]] const std::string& ModuleName() const { return moduleName_; }
    void SetModuleName(std::string name) { moduleName_ = std::move(name); }
    [[nodiscard]] bool SaveSharedData() const { return saveSharedData_; }

    // The library handles exceptions of this module.
    [[nodiscard]] uint8_t Active() const { return active_; }
    virtual void SetActive(uint8_t value);
    [[nodiscard]] uint8_t FreezeCheckActive() const { return values_.FreezeCheckActive; }
    virtual void SetFreezeCheckActive(uint8_t value);

#define CRASHREPORT_DECLARE_OPTION(type, name) \
    [[nodiscard]] const type& name() const {   \
        return values_.name;                   \
    }                                          \
    void Set##name(type value) {               \
        values_.name = std::move(value);       \
        Changed();                             \
    }
    CRASHREPORT_OPTION_FIELDS(CRASHREPORT_DECLARE_OPTION)
#undef CRASHREPORT_DECLARE_OPTION

    // Entries kept in the log file; values below 1 store 1.
    [[nodiscard]] int32_t LogEntriesKept() const {
        return values_.LogEntriesKept;
    }
    void SetLogEntriesKept(int32_t value);
    [[nodiscard]] const std::array<uint8_t, ShownFieldBytes>& ShownFields() const {
        return values_.ShownFields;
    }
    void SetShownFields(const std::array<uint8_t, ShownFieldBytes>& value);
    [[nodiscard]] bool FieldShown(int bit) const {
        return values_.FieldShown(bit);
    }

    // Exception classes not reported, each with the message shown instead
    // (empty: none), paired by index.
    [[nodiscard]] const std::vector<std::string>& FilterClasses() const {
        return values_.FilterClasses;
    }
    [[nodiscard]] const std::vector<std::string>& FilterMessages() const {
        return values_.FilterMessages;
    }
    void SetFilters(std::vector<std::string> classes, std::vector<std::string> messages);

    // Text 0-95; "" outside that range.
    [[nodiscard]] std::string GetText(int index) const;
    void SetText(int index, std::string text);

    [[nodiscard]] const TVvOptionsValues& Values() const {
        return values_;
    }

    void BeginUpdate() {
        ++updateCount_;
    }
    void EndUpdate();
    // Publishes the options when no update is held back and SaveSharedData.
    void Changed();

    // Writes the options where other modules of the process can read them;
    // the base does nothing.
    virtual void Publish() {}
    // Copies every option but Active and ModuleName. EConvertError
    // "Impossible to assign nil as TVvModuleOptions." for none.
    virtual void Assign(const TVvModuleOptions* source);
    virtual void SetDefaults();
    virtual void SaveToStream(runtime::TStream& stream) const;
    // Reads options written by library data of `version`. A stream that ends
    // early raises EReadError; the options read so far are kept.
    virtual void LoadFromStream(runtime::TStream& stream, uint16_t version);

    // The log file's full name for the module file `name` (empty: the
    // module's own): OutputPath itself when it names an ".elf" file, else
    // the ".elf" name in OutputPath's folder, or in `defaultFolder` when
    // OutputPath is empty (the module's folder when that is empty too).
    // With LogFlags 0x08 "_" and the computer name go before the extension.
    // Wide: the default folder is the user's, whose name the code page may
    // not spell.
    [[nodiscard]] std::u16string LogFileName(std::string_view name,
                                             std::u16string_view defaultFolder) const;

  private:
    std::string moduleName_;
    bool saveSharedData_;
    int32_t updateCount_ = 0;
    uint8_t active_ = 1;
    TVvOptionsValues values_;
};

// The log file name by the rules of TVvModuleOptions::LogFileName, with the
// computer name given.
std::u16string ComposeLogFileName(std::string_view moduleFile, std::string_view outputPath,
                                  std::u16string_view defaultFolder, bool withComputerName,
                                  std::string_view computerName);

// This computer's name as the system reports it (at most 15 characters).
std::string ComputerName();

}  // namespace crashreport
