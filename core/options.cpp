#include "core/options.h"

#include <algorithm>
#include <utility>

#include "core/callbacks.h"
#include "core/state.h"
#include "runtime/inifile.h"
#include "runtime/os/files.h"
#include "runtime/os/folders.h"
#include "runtime/os/paths.h"
#include "runtime/strings.h"

namespace core {

namespace {

constexpr const char* General = "General";
constexpr const char* News = "News";

// The dialogs' ranges; a hand-edited file may hold anything.
constexpr int32_t MinSearchResults = 10;
constexpr int32_t MaxSearchResults = 10000;
constexpr int32_t MaxHumanActivitySimulation = 3;

// "Column1" + n, "Column2" + n.
std::string columnKey(int tree, int column) {
    return "Column" + runtime::IntToStr(tree) + runtime::IntToStr(column);
}

}  // namespace

std::u16string DefaultDataDir() {
    const std::u16string appData = runtime::os::WideAppDataFolder();
    if (appData.empty()) return ExeDir;
    const std::u16string dir = runtime::os::IncludeTrailingPathDelimiter(
        runtime::os::IncludeTrailingPathDelimiter(appData) + u"Serplow");
    // When it cannot be made, the name stands all the same: later file
    // operations there fail.
    if (!runtime::os::DirectoryExists(dir)) (void)runtime::os::CreateDir(dir);
    return dir;
}

TOptions::TOptions() : TOptions(DefaultDataDir()) {}

TOptions::TOptions(std::u16string dataDir) : DataDir(std::move(dataDir)) {
    Load();
    Closing = false;
}

TOptions::~TOptions() {
    try {
        WriteGeometry();
    } catch (...) {
        // The geometry is lost; the program is ending anyway.
    }
}

std::u16string TOptions::IniFileName() const {
    return DataDir + u"serplow.ini";
}

void TOptions::Load() {
    const runtime::TIniFile ini(IniFileName());
    ProxyPort = ini.ReadString(General, "ProxyPort", "");
    ProxyHost = ini.ReadString(General, "ProxyHost", "");
    ProxyUser = ini.ReadString(General, "ProxyUser", "");
    ProxyPass = ini.ReadString(General, "ProxyPass", "");
    SearchResults = std::clamp(ini.ReadInteger(General, "SearchResults", 10), MinSearchResults,
                               MaxSearchResults);
    GoogleKey = ini.ReadString(General, "GoogleKey", "");
    GoogleKeyActive = ini.ReadBool(General, "GoogleKeyActive", false);
    Country = ini.ReadString(General, "Country", "USA");
    Lang = ini.ReadString(General, "Lang", "English");
    SEFileName = ini.ReadString(
        General, "SEFileName",
        runtime::WideToAnsi(DataDir) + "SearchEngines" + runtime::os::PathDelim + "google_usa.se");
    LastNewsDate = ini.ReadString(News, "LastNewsDate", "");
    NewsDate = ini.ReadString(News, "NewsDate", "");
    NewsURL = ini.ReadString(News, "NewsURL", "");
    NeedToShowNews = ini.ReadBool(News, "NeedToShowNews", false);
    SkipNews = ini.ReadBool(News, "SkipNews", false);
    ShowNewsHint = ini.ReadBool(News, "ShowNewsHint", true);
    CheckForNewVersion = ini.ReadBool(General, "CheckForNewVersion", true);
    HumanActivitySimulation = std::clamp(ini.ReadInteger(General, "HumanActivitySimulation", 1), 0,
                                         MaxHumanActivitySimulation);
    FirstRun = ini.ReadBool(General, "FirstRun", true);
    PosX = ini.ReadInteger(General, "PosX", 0);
    PosY = ini.ReadInteger(General, "PosY", 0);
    SizeX = ini.ReadInteger(General, "SizeX", 661);
    SizeY = ini.ReadInteger(General, "SizeY", 315);
    Splitter = ini.ReadInteger(General, "Splitter", 329);
    Maximized = ini.ReadBool(General, "Maximized", false);

    if (!Callbacks.TreeColumnCount || !Callbacks.SetTreeColumnWidth) return;
    for (const int tree : {KeywordTree, ResultTree}) {
        const int columns = Callbacks.TreeColumnCount(tree);
        for (int column = 0; column < columns; ++column) {
            const int32_t width = ini.ReadInteger(General, columnKey(tree, column), 0);
            if (width > 0) Callbacks.SetTreeColumnWidth(tree, column, width);
        }
    }
}

void TOptions::Save() {
    runtime::TIniFile ini(IniFileName());
    ini.WriteString(General, "ProxyPort", ProxyPort);
    ini.WriteString(General, "ProxyHost", ProxyHost);
    ini.WriteString(General, "ProxyUser", ProxyUser);
    ini.WriteString(General, "ProxyPass", ProxyPass);
    ini.WriteInteger(General, "SearchResults", SearchResults);
    ini.WriteString(General, "GoogleKey", GoogleKey);
    ini.WriteBool(General, "GoogleKeyActive", GoogleKeyActive);
    ini.WriteBool(General, "FirstRun", FirstRun);
    ini.WriteString(General, "Country", Country);
    ini.WriteString(General, "Lang", Lang);
    ini.WriteString(General, "SEFileName", SEFileName);
    ini.WriteString(News, "LastNewsDate", LastNewsDate);
    ini.WriteString(News, "NewsDate", NewsDate);
    ini.WriteString(News, "NewsURL", NewsURL);
    ini.WriteBool(News, "NeedToShowNews", NeedToShowNews);
    ini.WriteBool(News, "ShowNewsHint", ShowNewsHint);
    ini.WriteBool(General, "CheckForNewVersion", CheckForNewVersion);
    ini.WriteInteger(General, "HumanActivitySimulation", HumanActivitySimulation);
}

void TOptions::WriteGeometry() {
    if (!Callbacks.GetGeometry) return;
    runtime::TIniFile ini(IniFileName());
    WindowGeometry geometry = Callbacks.GetGeometry();
    ini.WriteBool(General, "Maximized", geometry.Maximized);
    if (geometry.Maximized && Callbacks.RestoreFromMaximized) {
        // The normal window's placement is the one to restore next time.
        Callbacks.RestoreFromMaximized();
        geometry = Callbacks.GetGeometry();
    }
    ini.WriteInteger(General, "PosX", geometry.Left);
    ini.WriteInteger(General, "PosY", geometry.Top);
    ini.WriteInteger(General, "SizeX", geometry.Width);
    ini.WriteInteger(General, "SizeY", geometry.Height);
    ini.WriteInteger(General, "Splitter", geometry.Splitter);

    if (!Callbacks.TreeColumnCount || !Callbacks.TreeColumnWidth) return;
    for (const int tree : {KeywordTree, ResultTree}) {
        const int columns = Callbacks.TreeColumnCount(tree);
        for (int column = 0; column < columns; ++column) {
            ini.WriteInteger(General, columnKey(tree, column),
                             Callbacks.TreeColumnWidth(tree, column));
        }
    }
}

}  // namespace core
