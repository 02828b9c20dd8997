#pragma once
// SIGINT and SIGTERM during a command's long work: the handlers only note the signal; the work
// polls it, ends with everything finished on disk, and exits 128 + the signal.
namespace vek {
// Installs the handlers (once is enough).
void WatchStopSignals();
// 0, or the signal that came.
int StopSignalSeen();
} // namespace vek
