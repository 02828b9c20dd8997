#pragma once
// The window placement file: where each window of the program was, how big, in which state and
// whether it was visible, so the windows reopen where the user left them. This part reads and
// writes the table and works out where a window goes; TRestoreWin applies it to the windows.
//
// File layout (CR LF lines): the version "1.10"; the number of entries; then per entry its
// window's component name on one line and six integers, each right-aligned in 5 characters with
// no other separator: left, top, width, height, state (0 normal, 1 maximized, 2 minimized),
// visible (1 or 0).
#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>
#include <optional>

namespace vek {

constexpr int kPlacementMaxEntries = 40;
constexpr const char *kPlacementVersion = "1.10";

// Window states with their codes in the file.
enum class WindowShowState : int32_t { Normal = 0, Maximized = 1, Minimized = 2 };

struct PlacementEntry {
    QString name;
    int32_t left = 0, top = 0, width = 0, height = 0;
    WindowShowState state = WindowShowState::Normal;
    bool visible = false;
    bool operator==(const PlacementEntry &) const = default;
};

class PlacementTable {
public:
    const QList<PlacementEntry> &Entries() const { return m_entries; }
    void Clear() { m_entries.clear(); }
    // The first entry with exactly this name, or nullptr.
    const PlacementEntry *Find(const QString &name) const;
    // Stores a window's placement in its entry, or in a new entry while fewer than 40 exist.
    // False when the table is full and the window has no entry (the window is skipped).
    bool Record(const PlacementEntry &entry);

    // The file's bytes for the table.
    QByteArray Serialize() const;
    // Adds the entries of a file to the table, at most up to 40 in all. False when the file is
    // not of this version; reading stops quietly at an entry that is cut off or garbled.
    bool Parse(const QByteArray &bytes);

private:
    QList<PlacementEntry> m_entries;
};

// What the store knows about a window before placing it.
struct WindowFacts {
    int32_t left = 0, top = 0, width = 0, height = 0;
    // Only a window placed at its designed position is moved; one that the system centres or
    // places by default is left alone.
    bool designedPosition = true;
    // Only a window with a sizeable border takes the stored size.
    bool sizeable = true;
};

struct PlacementResult {
    int32_t left = 0, top = 0, width = 0, height = 0;
    WindowShowState state = WindowShowState::Normal;
    bool show = false;
};

// Where a window goes: nothing when it has to be left alone. A normal, sizeable window is pulled
// onto a screen of the given size: at most the screen's size, and moved back when its left or top
// edge lies within 20 pixels of the right or bottom screen edge or beyond.
std::optional<PlacementResult> PlaceWindow(const PlacementEntry &entry, const WindowFacts &window,
                                           int32_t screenWidth, int32_t screenHeight,
                                           bool autoShow);

} // namespace vek
