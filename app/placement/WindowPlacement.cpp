#include "app/placement/WindowPlacement.h"

#include "app/base/SettingsText.h"

#include <algorithm>
#include <array>

namespace vek {

namespace {

// Coordinates and sizes from a file are kept within a range that the window system's integer
// arithmetic handles without overflow; real screens are far smaller.
constexpr int64_t kCoordinateLimit = 1000000;

int32_t ClampCoordinate(int64_t v)
{
    return static_cast<int32_t>(std::clamp<int64_t>(v, -kCoordinateLimit, kCoordinateLimit));
}

int32_t ClampSize(int64_t v)
{
    return static_cast<int32_t>(std::clamp<int64_t>(v, 0, kCoordinateLimit));
}

} // namespace

const PlacementEntry *PlacementTable::Find(const QString &name) const
{
    for (const PlacementEntry &e : m_entries)
        if (e.name == name)
            return &e;
    return nullptr;
}

bool PlacementTable::Record(const PlacementEntry &entry)
{
    for (PlacementEntry &e : m_entries)
        if (e.name == entry.name) {
            e = entry;
            return true;
        }
    if (m_entries.size() >= kPlacementMaxEntries)
        return false;
    m_entries.append(entry);
    return true;
}

QByteArray PlacementTable::Serialize() const
{
    QByteArray out = QByteArray(kPlacementVersion) + "\r\n";
    out += QByteArray::number(m_entries.size()) + "\r\n";
    for (const PlacementEntry &e : m_entries) {
        // A name is one line of the file.
        QByteArray name = e.name.toLatin1();
        if (const qsizetype cut = name.indexOf('\r'); cut >= 0)
            name.truncate(cut);
        if (const qsizetype cut = name.indexOf('\n'); cut >= 0)
            name.truncate(cut);
        out += name + "\r\n";
        QByteArray numbers;
        for (int32_t v :
             {e.left, e.top, e.width, e.height, static_cast<int32_t>(e.state), e.visible ? 1 : 0})
            AppendNumberField(numbers, v, 5);
        out += numbers + "\r\n";
    }
    return out;
}

bool PlacementTable::Parse(const QByteArray &bytes)
{
    TextReader r(bytes);
    if (r.AtEnd() || r.ReadLine() != kPlacementVersion)
        return false;
    int32_t count = 0;
    if (r.ReadInt(count) != TextReader::Number::Ok)
        return true;
    r.SkipLine();
    count = std::min<int32_t>(count, kPlacementMaxEntries);
    for (int32_t i = 0; i < count; ++i) {
        // An entry cut off by the end of the file is not an entry.
        if (r.AtEnd())
            break;
        PlacementEntry e;
        e.name = QString::fromLatin1(r.ReadLine());
        std::array<int32_t, 6> v{};
        bool complete = true;
        for (int32_t &x : v)
            if (r.ReadInt(x) != TextReader::Number::Ok) {
                complete = false;
                break;
            }
        if (!complete || m_entries.size() >= kPlacementMaxEntries)
            break;
        r.SkipLine();
        e.left = v[0];
        e.top = v[1];
        e.width = v[2];
        e.height = v[3];
        e.state = v[4] == 1   ? WindowShowState::Maximized
                  : v[4] == 2 ? WindowShowState::Minimized
                              : WindowShowState::Normal;
        e.visible = v[5] == 1;
        m_entries.append(e);
    }
    return true;
}

std::optional<PlacementResult> PlaceWindow(const PlacementEntry &entry, const WindowFacts &window,
                                           int32_t screenWidth, int32_t screenHeight, bool autoShow)
{
    if (!window.designedPosition)
        return std::nullopt;
    PlacementResult r;
    int64_t left = entry.left, top = entry.top;
    int64_t width = window.sizeable ? entry.width : window.width;
    int64_t height = window.sizeable ? entry.height : window.height;
    r.state = entry.state;
    if (r.state == WindowShowState::Normal && window.sizeable) {
        width = std::min<int64_t>(width, screenWidth);
        height = std::min<int64_t>(height, screenHeight);
        if (left > int64_t(screenWidth) - 20)
            left = int64_t(screenWidth) - width;
        if (top > int64_t(screenHeight) - 20)
            top = int64_t(screenHeight) - height;
    }
    r.left = ClampCoordinate(left);
    r.top = ClampCoordinate(top);
    r.width = ClampSize(width);
    r.height = ClampSize(height);
    r.show = autoShow && entry.visible;
    return r;
}

} // namespace vek
