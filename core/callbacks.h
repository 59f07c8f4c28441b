#pragma once

// How the core reaches the main window without naming it: the window fills
// in these callables when it is created, and the core calls them on the main
// thread only. An unset callable is skipped (or answers nothing), so the core
// also runs without a window, as in tests and tools.

#include <cstdint>
#include <functional>
#include <string>

namespace core {

enum class MessageKind { Error, Information };
// The window that owns a message box the core asks for.
enum class MessageOwner { MainWindow, CheckProgress };

// The trees whose column widths the settings keep.
inline constexpr int KeywordTree = 1;
inline constexpr int ResultTree = 2;

// The main window's placement as the settings store it.
struct WindowGeometry {
    bool Maximized = false;
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Width = 0;
    int32_t Height = 0;
    // The keyword tree's width (the splitter position).
    int32_t Splitter = 0;
};

struct CoreCallbacks {
    // One keyword's check has ended: advance the check progress, log the line.
    std::function<void(const std::u16string& line)> KeywordDone;
    // A line for the check log that is no keyword's report (a news or
    // version check that went wrong); the progress stays.
    std::function<void(const std::u16string& line)> LogLine;
    // The project-progress dialog's label.
    std::function<void(const std::string& text)> StageText;
    // Parsing the project: position and total in characters.
    std::function<void(int64_t position, int64_t total)> LoadProgress;
    // Saving the project: elements written so far and in all.
    std::function<void(int64_t position, int64_t total)> SaveProgress;
    // One more block of compressed project input read.
    std::function<void()> InflateProgress;
    std::function<void()> SitesCleared;
    std::function<void(const std::string& url)> SiteAdded;
    // Select CurrentSite in the site selector and refill the keyword tree.
    std::function<void()> CurrentSiteShown;
    // A modal message box.
    std::function<void(const std::string& text, const std::string& caption, MessageKind kind,
                       MessageOwner owner)>
        ShowMessage;
    // Let pending window messages and queued main-thread calls run.
    std::function<void()> ProcessPending;
    std::function<int(int tree)> TreeColumnCount;
    std::function<int(int tree, int column)> TreeColumnWidth;
    std::function<void(int tree, int column, int width)> SetTreeColumnWidth;
    std::function<WindowGeometry()> GetGeometry;
    std::function<void()> RestoreFromMaximized;
};

}  // namespace core
