#pragma once
// The note of the board this program has claimed, kept in a small file beside the program while
// the claim stands. A run that was killed before it could give the board's number back leaves the
// note behind; the next run reads it and takes that board back as its own instead of skipping it
// as another program's. A note whose process still runs belongs to that run and is left alone.
#include "link/UsbTransport.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>

namespace vek {

constexpr const char *kClaimRecordFileName = "VekUSB.claim";

// The note's text for the claims of `bus` ("hid 3 pid 1234" / "driver 0 pid 1234", a line each);
// empty when the program holds none.
QByteArray ClaimRecordText(const UsbBus &bus, int64_t pid);
// Takes the claims of a note written by a process that no longer runs as this program's own.
void TakeClaimRecord(const QByteArray &text, UsbBus &bus, const std::function<bool(int64_t pid)> &processRuns);

// The note as a file: written whole while a claim stands, removed when none does.
void SaveClaimRecord(const QString &path, const UsbBus &bus);
void LoadClaimRecord(const QString &path, UsbBus &bus);

} // namespace vek
