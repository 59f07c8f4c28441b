#pragma once

// The user's settings, kept in "serplow.ini" in the per-user data folder.
// Settings are written by Save whenever they change; the window geometry
// and the trees' column widths only when the object is destroyed.

#include <cstdint>
#include <string>

namespace core {

// The per-user data folder, with a trailing delimiter: "Serplow" in the
// user's application-data folder (created, one level, when missing), or
// ExeDir when there is no application-data folder. Wide, as every folder
// of the core: a profile outside the system code page works.
std::u16string DefaultDataDir();

class TOptions {
  public:
    // Data folder DefaultDataDir(), then Load.
    TOptions();
    // The settings of another data folder (with its trailing delimiter).
    explicit TOptions(std::u16string dataDir);
    // Writes the geometry (WriteGeometry); a failure to write is dropped,
    // since a destructor cannot report it.
    ~TOptions();
    TOptions(const TOptions&) = delete;
    TOptions& operator=(const TOptions&) = delete;

    // Reads every stored setting (missing or unreadable values give the
    // defaults) and applies the stored column widths to the trees.
    void Load();
    // Writes every setting but the geometry and SkipNews. EIniFileException
    // when the file cannot be written.
    void Save();
    // Writes the main window's state, placement and splitter and the trees'
    // column widths, as the window reports them; nothing without a window.
    // EIniFileException when the file cannot be written.
    void WriteGeometry();

    [[nodiscard]] std::u16string IniFileName() const;

    int32_t SizeX = 661;
    int32_t SizeY = 315;
    int32_t PosX = 0;
    int32_t PosY = 0;
    bool Maximized = false;
    int32_t Splitter = 329;
    std::string ProxyPort;
    std::string ProxyHost;
    std::string ProxyUser;
    std::string ProxyPass;
    // The search depth: results checked per keyword, 10 to 10000.
    int32_t SearchResults = 10;
    std::u16string DataDir;
    bool FirstRun = true;
    std::string GoogleKey;
    bool GoogleKeyActive = false;
    std::string Country = "USA";
    std::string Lang = "English";
    // Engines are found by the file's own name, so a folder part the code
    // page cannot spell does no harm here.
    std::string SEFileName;
    std::string LastNewsDate;
    std::string NewsDate;
    std::string NewsText;  // not stored
    std::string NewsURL;
    bool NeedToShowNews = false;
    bool SkipNews = false;
    bool ShowNewsHint = true;
    bool UINotReady = false;  // not stored
    bool CheckForNewVersion = true;
    // Friendly mode: 0 Off, 1 Low, 2 High, 3 Safe.
    int32_t HumanActivitySimulation = 1;
    bool TreeEventsEnabled = false;  // not stored
    bool Closing = false;            // not stored
};

}  // namespace core
