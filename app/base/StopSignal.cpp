#include "app/base/StopSignal.h"

#include <csignal>

namespace vek {

namespace {
volatile std::sig_atomic_t g_seen = 0;
void OnSignal(int sig) { g_seen = sig; }
} // namespace

void WatchStopSignals()
{
    struct sigaction sa = {};
    sa.sa_handler = OnSignal;
    ::sigaction(SIGINT, &sa, nullptr);
    ::sigaction(SIGTERM, &sa, nullptr);
}

int StopSignalSeen() { return int(g_seen); }

} // namespace vek
