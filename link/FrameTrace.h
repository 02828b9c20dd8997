#pragma once
// A text record of every frame that goes to the board and every reply that comes back, one line
// each: local time of day, direction, byte count and the bytes in hexadecimal. Engineers use it to
// debug a real board; tests read it to see what went over the wire.
//
// The lines collect in memory and the file is rewritten whole (never half-written) while frames
// flow (at most once a second, less often as it grows), on Flush and when the trace ends.
#include "app/base/Clock.h"

#include <QByteArray>
#include <QString>
#include <chrono>
#include <cstddef>
#include <cstdint>

namespace vek {

class FrameTrace {
public:
    enum class Direction { ToBoard, FromBoard };

    // path may be empty: the trace is then kept in memory only.
    FrameTrace(Clock &clock, QString path);
    ~FrameTrace();
    FrameTrace(const FrameTrace &) = delete;
    FrameTrace &operator=(const FrameTrace &) = delete;

    // One frame; ok false marks a transfer that failed (its bytes are what the buffer held).
    void Frame(Direction direction, const uint8_t *bytes, size_t count, bool ok);
    // A line of plain text (a device opened, a link reset).
    void Note(const QString &text);

    // Writes the file now; false when it cannot be written.
    bool Flush();
    const QByteArray &Text() const { return m_text; }
    const QString &Path() const { return m_path; }

private:
    QByteArray TimeStamp() const;
    void MaybeFlush();

    Clock &m_clock;
    QString m_path;
    QByteArray m_text;
    bool m_dirty = false;
    std::chrono::steady_clock::time_point m_lastFlush;
};

} // namespace vek
