#include "crashreport/options.h"

#include "runtime/os/paths.h"
#include "runtime/strings.h"

namespace crashreport {

namespace {

// Feeds the options reader from a class-library stream.
class StreamSource : public TByteSource {
  public:
    explicit StreamSource(runtime::TStream& stream) : stream_(stream) {}
    void Read(void* buffer, size_t count) override {
        stream_.ReadBuffer(buffer, static_cast<int64_t>(count));
    }

  private:
    runtime::TStream& stream_;
};

// Holds changes back for its lifetime.
class UpdateScope {
  public:
    explicit UpdateScope(TVvModuleOptions& options) : options_(options) { options_.BeginUpdate(); }
    ~UpdateScope() { options_.EndUpdate(); }
    UpdateScope(const UpdateScope&) = delete;
    UpdateScope& operator=(const UpdateScope&) = delete;

  private:
    TVvModuleOptions& options_;
};

}  // namespace

TVvModuleOptions::TVvModuleOptions(std::string moduleName, bool saveSharedData)
    : moduleName_(std::move(moduleName)), saveSharedData_(saveSharedData) {
    BeginUpdate();
    SetDefaults();
    updateCount_ = 0;
}

void TVvModuleOptions::SetActive(uint8_t value) {
    active_ = value;
    Changed();
}

void TVvModuleOptions::SetFreezeCheckActive(uint8_t value) {
    values_.FreezeCheckActive = value;
    Changed();
}

void TVvModuleOptions::SetLogEntriesKept(int32_t value) {
    values_.LogEntriesKept = value < 1 ? 1 : value;
    Changed();
}

void TVvModuleOptions::SetShownFields(const std::array<uint8_t, ShownFieldBytes>& value) {
    values_.ShownFields = value;
    Changed();
}

void TVvModuleOptions::SetFilters(std::vector<std::string> classes,
                                  std::vector<std::string> messages) {
    values_.FilterClasses = std::move(classes);
    values_.FilterMessages = std::move(messages);
    Changed();
}

std::string TVvModuleOptions::GetText(int index) const {
    if (index < 0 || index >= TextCount) return {};
    return values_.Texts[index];
}

void TVvModuleOptions::SetText(int index, std::string text) {
    if (index < 0 || index >= TextCount) return;
    values_.Texts[index] = std::move(text);
    Changed();
}

void TVvModuleOptions::EndUpdate() {
    --updateCount_;
}

void TVvModuleOptions::Changed() {
    if (updateCount_ <= 0 && saveSharedData_) Publish();
}

void TVvModuleOptions::Assign(const TVvModuleOptions* source) {
    if (source == nullptr) {
        throw runtime::EConvertError("Impossible to assign nil as TVvModuleOptions.");
    }
    if (source == this) return;
    {
        UpdateScope update(*this);
        const uint8_t kept = values_.FreezeCheckActive;
        values_ = source->values_;
        // The freeze watch follows this option, so it goes through its setter.
        values_.FreezeCheckActive = kept;
        SetFreezeCheckActive(source->values_.FreezeCheckActive);
    }
    Changed();
}

void TVvModuleOptions::SetDefaults() {
    values_ = TVvOptionsValues();
    Changed();
}

void TVvModuleOptions::SaveToStream(runtime::TStream& stream) const {
    const std::string bytes = SaveOptions(values_);
    stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

void TVvModuleOptions::LoadFromStream(runtime::TStream& stream, uint16_t version) {
    {
        UpdateScope update(*this);
        StreamSource source(stream);
        LoadOptions(source, version, values_);
    }
    Changed();
}

std::u16string TVvModuleOptions::LogFileName(std::string_view name,
                                             std::u16string_view defaultFolder) const {
    const bool withComputer = (values_.LogFlags & lfComputerNameInLogName) != 0;
    return ComposeLogFileName(name.empty() ? std::string_view(moduleName_) : name,
                              values_.OutputPath, defaultFolder, withComputer,
                              withComputer ? ComputerName() : std::string());
}

std::u16string ComposeLogFileName(std::string_view moduleFile, std::string_view outputPath,
                                  std::u16string_view defaultFolder, bool withComputerName,
                                  std::string_view computerName) {
    namespace os = runtime::os;
    const std::u16string logName = os::ChangeFileExt(runtime::AnsiToWide(moduleFile), u".elf");
    std::u16string result;
    if (runtime::LowerCase(os::ExtractFileExt(outputPath)) == ".elf") {
        result = runtime::AnsiToWide(outputPath);
    } else {
        std::u16string folder = runtime::AnsiToWide(outputPath);
        if (folder.empty()) folder = defaultFolder;
        if (folder.empty()) folder = os::ExtractFilePath(logName);
        result = os::IncludeTrailingPathDelimiter(folder) + os::ExtractFileName(logName);
    }
    if (withComputerName) {
        std::string computer(computerName);
        for (char& c : computer) {
            if (std::string_view("\"*/:<>?\\|").find(c) != std::string_view::npos) c = '_';
        }
        const std::u16string ext = os::ExtractFileExt(result);
        result = os::ChangeFileExt(result, u"") + u"_" + runtime::AnsiToWide(computer) + ext;
    }
    return result;
}

}  // namespace crashreport
