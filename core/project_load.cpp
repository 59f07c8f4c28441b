// Reading the project: the format by its magic text, the tagged text
// streamed into new sites, and the swap into the program's state once the
// whole file has been read.

#include <algorithm>
#include <cstring>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "core/helper_thread.h"
#include "core/options.h"
#include "core/progress_throttle.h"
#include "core/project_file.h"
#include "core/project_internal.h"
#include "core/state.h"
#include "core/tagged_text.h"
#include "core/xmldocument.h"
#include "core/zstream.h"
#include "runtime/exceptions.h"
#include "runtime/os/files.h"
#include "runtime/strings.h"

namespace core {

namespace project {

bool IndexedName(std::u16string_view name, std::u16string_view prefix, int& index) {
    if (name.size() <= prefix.size() || !tagged::SameName(name.substr(0, prefix.size()), prefix))
        return false;
    const char16_t* digits = name.data() + prefix.size();
    const size_t count = name.size() - prefix.size();
    if (count > 9 || (count > 1 && digits[0] == u'0')) return false;
    int value = 0;
    for (size_t i = 0; i < count; ++i) {
        if (digits[i] < u'0' || digits[i] > u'9') return false;
        value = value * 10 + (digits[i] - u'0');
    }
    index = value;
    return true;
}

uint32_t ReadLengthField(runtime::TStream& file) {
    uint8_t field[4];
    if (file.Read(field, 4) != 4) throw runtime::Exception("The project file ends in its header.");
    return uint32_t(field[0]) | uint32_t(field[1]) << 8 | uint32_t(field[2]) << 16 |
           uint32_t(field[3]) << 24;
}

std::u16string IndexedName(std::u16string_view prefix, int index) {
    std::u16string name(prefix);
    for (char c : runtime::IntToStr(index)) name.push_back(char16_t(c));
    return name;
}

namespace {

// Items of one list as they arrive, by the index their element's name
// carries; the list takes, for each index below its element's child count,
// the first item that carries it. The items arrive in the locale's order of
// their names ("Link10" before "Link2"): each goes to the slot of its index,
// in one pass and without allocating once the slots have grown.
template <class T>
class TIndexedItems {
  public:
    void Clear() { items_.clear(); }
    void Add(int index, std::unique_ptr<T> item) { items_.emplace_back(index, std::move(item)); }

    // Calls `append` with the items in index order.
    template <class Append>
    void MoveTo(int childCount, Append append) {
        slots_.clear();
        slots_.resize(size_t(childCount));
        for (auto& [index, item] : items_)
            if (index < childCount && !slots_[size_t(index)])
                slots_[size_t(index)] = std::move(item);
        items_.clear();
        for (auto& item : slots_)
            if (item) append(std::move(item));
    }

  private:
    std::vector<std::pair<int, std::unique_ptr<T>>> items_;
    std::vector<std::unique_ptr<T>> slots_;
};

class TTaggedProjectReader {
  public:
    TTaggedProjectReader(runtime::TStream& stream, int64_t maxUnits, int64_t totalUnits)
        : reader_(stream, maxUnits), totalUnits_(totalUnits) {}

    TLoadedProject Read() {
        using Token = tagged::TTaggedTextReader::Token;
        for (Token token; (token = reader_.Next()) != Token::End;) {
            switch (token) {
                case Token::Open:
                    Open(reader_.Text());
                    break;
                case Token::Value:
                    Value();
                    break;
                case Token::Close:
                    Close();
                    break;
                case Token::End:
                    break;
            }
        }
        return std::move(result_);
    }

  private:
    // What an open element is, by its name and its parent's role.
    enum class Role {
        Root,
        Sites,
        Site,
        SiteURL,
        SiteNotes,
        Keywords,
        Keyword,
        KeywordName,
        KeywordPosition,
        KeywordLastPosition,
        KeywordBest,
        KeywordActive,
        KeywordDate,
        Links,
        Link,
        LinkName,
        LinkTitle,
        LinkPosition,
        LinkPage,
        LinkCost,
        Other,
    };
    struct Field {
        Role parent;
        std::u16string_view name;
        Role role;
    };
    static constexpr Field Fields[] = {
        {Role::Root, u"Sites", Role::Sites},
        {Role::Site, u"URL", Role::SiteURL},
        {Role::Site, u"Notes", Role::SiteNotes},
        {Role::Site, u"Keywords", Role::Keywords},
        {Role::Keyword, u"Name", Role::KeywordName},
        {Role::Keyword, u"Position", Role::KeywordPosition},
        {Role::Keyword, u"LastPosition", Role::KeywordLastPosition},
        {Role::Keyword, u"Best", Role::KeywordBest},
        {Role::Keyword, u"Active", Role::KeywordActive},
        {Role::Keyword, u"Date", Role::KeywordDate},
        {Role::Keyword, u"Links", Role::Links},
        {Role::Link, u"Name", Role::LinkName},
        {Role::Link, u"Title", Role::LinkTitle},
        {Role::Link, u"Position", Role::LinkPosition},
        {Role::Link, u"Page", Role::LinkPage},
        {Role::Link, u"Cost", Role::LinkCost},
    };
    struct Frame {
        Role role;
        int children = 0;
    };

    Role RoleOf(Role parent, std::u16string_view name, int& index) const {
        switch (parent) {
            case Role::Sites:
                return IndexedName(name, u"Site", index) ? Role::Site : Role::Other;
            case Role::Keywords:
                return IndexedName(name, u"Keyword", index) ? Role::Keyword : Role::Other;
            case Role::Links:
                return IndexedName(name, u"Link", index) ? Role::Link : Role::Other;
            default:
                for (const Field& field : Fields)
                    if (field.parent == parent && tagged::SameName(field.name, name))
                        return field.role;
                return Role::Other;
        }
    }

    // A value as each kind of field takes it; fields with their own kind
    // of value take the text's number directly, others convert as the
    // Variant rules say.
    runtime::Variant AsVariant() const {
        return tagged::ParseValue(reader_.Marker(), reader_.Text());
    }
    std::u16string AsString() const {
        return reader_.Marker() == tagged::StringMarker ? reader_.Text()
                                                        : AsVariant().AsWideString();
    }
    // An 8-bit field (a URL), converted straight from the text read into
    // `out`, whose buffer is reused.
    void ReadAnsi(std::string& out) const {
        if (reader_.Marker() != tagged::StringMarker) {
            out = runtime::WideToAnsi(AsVariant().AsWideString());
            return;
        }
        // Below 0x80 every system code page is ASCII: such text narrows unit
        // by unit, without asking the code page.
        const std::u16string& text = reader_.Text();
        const char16_t* const wide = text.data();
        const size_t size = text.size();
        out.resize(size);
        char* const narrow = out.data();
        for (size_t i = 0; i < size; ++i) {
            if (wide[i] >= 0x80) {
                out = runtime::WideToAnsi(text);
                return;
            }
            narrow[i] = char(wide[i]);
        }
    }
    // A wide field into `out`, whose buffer is reused.
    void ReadString(std::u16string& out) const {
        if (reader_.Marker() == tagged::StringMarker)
            out.assign(reader_.Text());
        else
            out = AsVariant().AsWideString();
    }
    int32_t AsInteger() const {
        return reader_.Marker() == tagged::IntegerMarker ? tagged::ParseInteger(reader_.Text())
                                                         : AsVariant().AsInteger();
    }
    bool AsBoolean() const {
        return reader_.Marker() == tagged::IntegerMarker ? tagged::ParseInteger(reader_.Text()) != 0
                                                         : AsVariant().AsBoolean();
    }
    // -1.0 for a value that is no number.
    double AsCost() const {
        if (reader_.Marker() == tagged::FloatMarker) return tagged::ParseFloat(reader_.Text());
        try {
            return AsVariant().AsDouble();
        } catch (const runtime::Exception&) {
            return -1.0;
        }
    }

    void Open(const std::u16string& name) {
        if (stack_.empty()) {
            stack_.push_back({Role::Root});
            return;
        }
        Frame& parent = stack_.back();
        ++parent.children;
        int index = 0;
        Role role = RoleOf(parent.role, name, index);
        switch (role) {
            case Role::Sites:
                sites_.Clear();
                break;
            case Role::Site:
                site_ = std::make_unique<TSite>(std::string());
                siteIndex_ = index;
                break;
            case Role::Keywords:
                keywords_.Clear();
                break;
            case Role::Keyword:
                keyword_ = std::make_unique<TKeyword>(std::u16string());
                keyword_->Active = false;
                keywordIndex_ = index;
                date_.reset();
                break;
            case Role::Links:
                links_.Clear();
                break;
            case Role::Link:
                link_.Name.clear();
                link_.Title.clear();
                link_.Position = 0;
                link_.Page = 0;
                link_.Cost = -1.0;  // no "Cost" element
                linkIndex_ = index;
                break;
            default:
                EmptyField(role);
                break;
        }
        stack_.push_back({role});
        if ((++opened_ & 1023) == 0 && throttle_.Due()) Report();
    }

    // A field present without a value reads as an empty one.
    void EmptyField(Role role) {
        switch (role) {
            case Role::SiteURL:
                site_->URL.clear();
                break;
            case Role::SiteNotes:
                site_->Notes.clear();
                break;
            case Role::KeywordName:
                keyword_->Name.clear();
                break;
            case Role::KeywordPosition:
                keyword_->Position = 0;
                break;
            case Role::KeywordLastPosition:
                keyword_->LastPosition = 0;
                break;
            case Role::KeywordBest:
                keyword_->Best = 0;
                break;
            case Role::KeywordActive:
                keyword_->Active = false;
                break;
            case Role::KeywordDate:
                date_ = std::u16string();
                break;
            case Role::LinkName:
                link_.Name.clear();
                break;
            case Role::LinkTitle:
                link_.Title.clear();
                break;
            case Role::LinkPosition:
                link_.Position = 0;
                break;
            case Role::LinkPage:
                link_.Page = 0;
                break;
            case Role::LinkCost:
                link_.Cost = 0;
                break;
            default:
                break;
        }
    }

    // Every value is converted, read or not, so that a bad number fails the
    // load wherever it stands.
    void Value() {
        switch (stack_.back().role) {
            case Role::SiteURL:
                ReadAnsi(site_->URL);
                break;
            case Role::SiteNotes:
                site_->Notes = AsString();
                break;
            case Role::KeywordName:
                keyword_->Name = AsString();
                break;
            case Role::KeywordPosition:
                keyword_->Position = AsInteger();
                break;
            case Role::KeywordLastPosition:
                keyword_->LastPosition = AsInteger();
                break;
            case Role::KeywordBest:
                keyword_->Best = AsInteger();
                break;
            case Role::KeywordActive:
                keyword_->Active = AsBoolean();
                break;
            case Role::KeywordDate:
                date_ = AsString();
                break;
            case Role::LinkName:
                ReadAnsi(link_.Name);
                break;
            case Role::LinkTitle:
                ReadString(link_.Title);
                break;
            case Role::LinkPosition:
                link_.Position = AsInteger();
                break;
            case Role::LinkPage:
                link_.Page = AsInteger();
                break;
            case Role::LinkCost:
                link_.Cost = AsCost();
                break;
            default:
                if (reader_.Marker() != tagged::StringMarker) (void)AsVariant();
                break;
        }
    }

    void Close() {
        Frame frame = stack_.back();
        stack_.pop_back();
        switch (frame.role) {
            case Role::Sites:
                result_.Sites = std::make_unique<TSiteList>();
                sites_.MoveTo(frame.children,
                              [&](std::unique_ptr<TSite> s) { result_.Sites->Add(std::move(s)); });
                result_.ReplacesSites = frame.children > 0;
                break;
            case Role::Site:
                sites_.Add(siteIndex_, std::move(site_));
                break;
            case Role::Keywords:
                site_->Keywords.Clear();
                keywords_.MoveTo(frame.children, [&](std::unique_ptr<TKeyword> k) {
                    site_->Keywords.Add(std::move(k));
                });
                break;
            case Role::Keyword:
                // A missing or unreadable date fails the load.
                keyword_->Date = tagged::ParseFloat(date_.value_or(u""));
                keywords_.Add(keywordIndex_, std::move(keyword_));
                break;
            case Role::Links:
                keyword_->Links.Clear();
                keyword_->Links.SetCapacity(std::min(frame.children, runtime::MaxListSize));
                links_.MoveTo(frame.children,
                              [&](std::unique_ptr<TLink> l) { keyword_->Links.Add(std::move(l)); });
                break;
            case Role::Link:
                links_.Add(linkIndex_,
                           std::make_unique<TLink>(std::string_view(link_.Name), link_.Title,
                                                   std::u16string_view(), link_.Position,
                                                   link_.Page, link_.Cost));
                break;
            default:
                break;
        }
    }

    void Report() {
        if (Callbacks.LoadProgress) Callbacks.LoadProgress(reader_.Position() + 1, totalUnits_);
        if (Callbacks.ProcessPending) Callbacks.ProcessPending();
    }

    tagged::TTaggedTextReader reader_;
    const int64_t totalUnits_;
    TProgressThrottle throttle_;
    int64_t opened_ = 0;
    std::vector<Frame> stack_;
    TLoadedProject result_;

    TIndexedItems<TSite> sites_;
    TIndexedItems<TKeyword> keywords_;
    TIndexedItems<TLink> links_;
    std::unique_ptr<TSite> site_;
    std::unique_ptr<TKeyword> keyword_;
    // A link's fields as they arrive; the link is made whole when its
    // element closes, its texts in one block.
    struct {
        std::string Name;
        std::u16string Title;
        int32_t Position = 0;
        int32_t Page = 0;
        double Cost = -1.0;
    } link_;
    int siteIndex_ = 0;
    int keywordIndex_ = 0;
    int linkIndex_ = 0;
    std::optional<std::u16string> date_;
};

}  // namespace

TLoadedProject ReadTaggedProject(runtime::TStream& stream, int64_t maxUnits, int64_t totalUnits,
                                 int64_t streamSize, std::u16string_view dumpFolder) {
    const int64_t start = stream.Position();
    TLoadedProject project;
    ParseGuarded(stream, start, totalUnits, streamSize, dumpFolder,
                 [&] { project = TTaggedProjectReader(stream, maxUnits, totalUnits).Read(); });
    return project;
}

}  // namespace project

namespace {

// The inflated text of the 2007 format, read through a guard: an inflate
// failure is reported once, with how far inflating came, and fails the
// load (a text cut short could otherwise read as an empty project, which
// the window would later save over the file).
class TInflateGuard : public runtime::TStream {
  public:
    TInflateGuard(TZDecompressionStream& source, uint32_t length)
        : source_(source), length_(length) {}

    int64_t Read(void* buffer, int64_t count) override {
        try {
            int64_t n = source_.Read(buffer, count);
            delivered_ += n;
            return n;
        } catch (const EZLibError& e) {
            if (!reported_ && Callbacks.ShowMessage) {
                reported_ = true;
                Callbacks.ShowMessage(
                    "Unable to open project.\r\nAdditional info: " + runtime::IntToStr(length_) +
                        "," + runtime::IntToStr(delivered_) + "\r\n" +
                        "Please forward this info to the developer. " +
                        "You can copy the contents of this message to the clipboard with Ctrl+C",
                    "Error", MessageKind::Error, MessageOwner::MainWindow);
            }
            throw tagged::ETaggedTextError(std::string("The compressed project is damaged (") +
                                           e.what() + ").");
        }
    }
    int64_t Write(const void*, int64_t) override { return 0; }
    int64_t Seek(int64_t offset, uint16_t origin) override {
        // Only the debug dump seeks, back to the start: inflate again.
        if (offset == 0 && origin == runtime::soFromBeginning) delivered_ = 0;
        return source_.Seek(offset, origin);
    }

  private:
    TZDecompressionStream& source_;
    const uint32_t length_;
    int64_t delivered_ = 0;
    bool reported_ = false;
};

enum class Format { P2008, P2007, P2004, Unknown };

Format FormatOf(const char* magic, int64_t got) {
    if (got < int64_t(ProjectMagicSize)) return Format::Unknown;
    std::string_view text(magic, ProjectMagicSize);
    if (text == ProjectMagic2008) return Format::P2008;
    if (text == ProjectMagic2007) return Format::P2007;
    if (text == ProjectMagic2004) return Format::P2004;
    return Format::Unknown;
}

std::u16string DataFolder() {
    return Options ? Options->DataDir : std::u16string();
}

project::TLoadedProject ReadTagged(runtime::TFileStream& file, Format format) {
    const uint32_t length = project::ReadLengthField(file);
    if (Callbacks.StageText) Callbacks.StageText("Loading... Please wait");
    if (Callbacks.ProcessPending) Callbacks.ProcessPending();

    if (format == Format::P2008) {
        // The text runs to the file's end, whatever the length field says.
        int64_t size = file.Size();
        return project::ReadTaggedProject(file, -1, (size - file.Position()) / 2, size,
                                          DataFolder());
    }
    TZDecompressionStream inflater(file);
    TProgressThrottle throttle;
    inflater.OnProgress = [&](runtime::TObject*) {
        if (Callbacks.InflateProgress && throttle.Due()) Callbacks.InflateProgress();
    };
    TInflateGuard text(inflater, length);
    return project::ReadTaggedProject(text, length / 2, length / 2, length, DataFolder());
}

// The copy of the file being loaded for the data folder's backup. It is
// made while the file is read, on a thread of its own (copying a large
// project costs about a fifth of its load), into a temporary file that
// replaces the backup, as a whole or not at all, only once the file has
// loaded cleanly; otherwise it is deleted and the backup stays as it was.
class TBackupCopy {
  public:
    TBackupCopy() = default;
    TBackupCopy(const TBackupCopy&) = delete;
    TBackupCopy& operator=(const TBackupCopy&) = delete;
    ~TBackupCopy() {
        Join();
        if (started_) (void)runtime::os::DeleteFile(temp_);
    }

    // Starts copying `path`, which the caller holds open against writers;
    // nothing to do without a data folder, or when `path` is the backup.
    void Start(const std::u16string& path) {
        const std::u16string folder = DataFolder();
        if (folder.empty()) return;
        backup_ = folder + u"project.spj.backup";
        if (path == backup_) return;
        temp_ = backup_ + u".saving";
        try {
            copier_ = std::thread([this, path] {
                try {
                    copied_ = runtime::os::CopyFile(path, temp_, false);
                } catch (...) {
                    copied_ = false;
                }
            });
            started_ = true;
        } catch (const std::system_error&) {
            // No thread to be had: the copy is made when the file has loaded.
            copied_ = runtime::os::CopyFile(path, temp_, false);
            started_ = true;
        }
    }

    // The file loaded: its copy becomes the backup. runtime::Exception when
    // that fails.
    void Keep() {
        if (!started_) return;
        Join();
        started_ = false;
        if (!copied_) {
            (void)runtime::os::DeleteFile(temp_);
            throw runtime::Exception("The backup copy of the project could not be made.");
        }
        project::ReplaceFile(temp_, backup_);
    }

  private:
    void Join() {
        if (copier_.joinable()) copier_.join();
    }

    std::u16string backup_;
    std::u16string temp_;
    std::thread copier_;
    bool copied_ = false;
    bool started_ = false;
};

void UseLoadedProject(project::TLoadedProject loaded) {
    if (loaded.ReplacesSites) {
        std::unique_ptr<TSiteList> old = std::move(Sites);
        Sites = std::move(loaded.Sites);
        CurrentSite = nullptr;
        CurrentKeyword = nullptr;
        if (Callbacks.SitesCleared) Callbacks.SitesCleared();
        for (int i = 0; i < Sites->Count(); ++i) {
            if (Callbacks.ProcessPending) Callbacks.ProcessPending();
            if (Callbacks.SiteAdded) Callbacks.SiteAdded(Sites->Items(i)->URL);
        }
        THelperThread::Free(std::move(old));
    }
    if (!Sites) Sites = std::make_unique<TSiteList>();
    if (Sites->Count() > 0) {
        if (CurrentSite != Sites->Items(0)) CurrentKeyword = nullptr;
        CurrentSite = Sites->Items(0);
        if (Callbacks.CurrentSiteShown) Callbacks.CurrentSiteShown();
    }
}

}  // namespace

namespace {

// The project of the file, or nothing after the wrong-format message. A
// `backup` given starts copying the file once it is open.
std::optional<project::TLoadedProject> ReadProjectFile(const std::u16string& path,
                                                       TBackupCopy* backup) {
    runtime::TFileStream file(path, runtime::fmOpenRead | runtime::fmShareDenyWrite);
    if (backup != nullptr) backup->Start(path);
    char magic[ProjectMagicSize];
    Format format = FormatOf(magic, file.Read(magic, int64_t(ProjectMagicSize)));
    switch (format) {
        case Format::Unknown:
            if (Callbacks.ShowMessage)
                Callbacks.ShowMessage(SProjectWrongFormat, "Error", MessageKind::Error,
                                      MessageOwner::MainWindow);
            return std::nullopt;
        case Format::P2004:
            return project::ReadXmlProject2004(file);
        default:
            return ReadTagged(file, format);
    }
}

// Sites stay as they were; the selection goes, and the project may not be
// saved over the file.
void LoadFailed() {
    CurrentSite = nullptr;
    CurrentKeyword = nullptr;
    ProjectMaySave = false;
}

}  // namespace

bool LoadProject(const std::u16string& path, ProjectBackup backup) {
    if (RunningThreads.load() > 0)
        throw runtime::Exception("The project cannot be loaded while a check is running.");

    TBackupCopy copy;
    std::optional<project::TLoadedProject> read;
    try {
        read = ReadProjectFile(path, backup == ProjectBackup::Make ? &copy : nullptr);
    } catch (...) {
        LoadFailed();
        throw;
    }
    if (!read) {
        LoadFailed();
        return false;
    }
    project::TLoadedProject loaded = std::move(*read);
    ProjectMaySave = true;
    // A backup that cannot be written must not cost the user the project
    // that did load.
    try {
        copy.Keep();
    } catch (const runtime::Exception&) {
    }
    UseLoadedProject(std::move(loaded));
    return true;
}

void ReleaseProject() {
    CurrentSite = nullptr;
    CurrentKeyword = nullptr;
    try {
        THelperThread::Free(std::move(Sites));
    } catch (const std::exception&) {
        // No thread to be had: the sites went with the thread object.
    }
}

void WaitForReleasedProjects() {
    THelperThread::WaitForAll();
}

}  // namespace core
