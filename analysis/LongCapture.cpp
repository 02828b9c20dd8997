#include "analysis/LongCapture.h"

#include <QSaveFile>
#include <algorithm>
#include <memory>

namespace vek {

LongCaptureRun RunLongCapture(ChipPort &chip, InterfaceKind kind, StreamingStats &stats, const LongCaptureOptions &options)
{
    LongCaptureRun run;
    Clock &clock = chip.link.clock;
    std::unique_ptr<QSaveFile> stream;
    if (!options.streamPath.isEmpty()) {
        stream = std::make_unique<QSaveFile>(options.streamPath);
        if (!stream->open(QIODevice::WriteOnly)) {
            run.error = QStringLiteral("cannot write %1: %2").arg(options.streamPath, stream->errorString());
            return run;
        }
    }
    const int64_t target = std::clamp<int64_t>(options.samples, 0, kLongCaptureMaxSamples);
    // One store, refilled block after block: the arrays never hold more than one block.
    auto store = std::make_unique<SampleStore>();
    store->TargetCount = kSampleCapacity;
    std::vector<int32_t> codes;
    QByteArray bytes;
    const double start = clock.NowDays();
    bool reached = false, userStop = false;
    AcquisitionIo io{chip};
    io.kind = kind;
    io.idleTimeoutMs = options.idleTimeoutMs;
    io.blockDecoded = [&](const DecodedRange &range, int) {
        codes.clear();
        for (int32_t k = range.first; k < range.first + range.stored; ++k)
            codes.push_back(int32_t(store->SampleItems[size_t(k)]));
        if (target > 0 && stats.Count() + int64_t(codes.size()) > target)
            codes.resize(size_t(target - stats.Count()));
        stats.Add(codes);
        if (options.codesArrived)
            options.codesArrived(codes);
        if (stream) {
            bytes.clear();
            for (int32_t c : codes) {
                if (options.streamFormat == CodeStreamFormat::Text) {
                    bytes += QByteArray::number(c);
                    bytes += '\n';
                } else {
                    const uint32_t u = uint32_t(c);
                    const char le[4] = {char(u & 0xFF), char((u >> 8) & 0xFF), char((u >> 16) & 0xFF), char(u >> 24)};
                    bytes.append(le, 4);
                }
            }
            if (stream->write(bytes) != bytes.size())
                store->CaptureIdle = true; // the file failed: end here, said below
        }
        store->SampleCount = 0; // the next block fills the arrays from the start again
        const double seconds = (clock.NowDays() - start) * 86400.0;
        reached = (target > 0 && stats.Count() >= target) ||
                  (options.durationSeconds > 0 && seconds >= options.durationSeconds);
        if (reached)
            store->CaptureIdle = true;
        if (options.progress)
            options.progress(stats);
    };
    io.pumpMessages = [&] {
        if (options.pumpMessages)
            options.pumpMessages();
        if (options.stopRequested && options.stopRequested()) {
            userStop = true;
            store->CaptureIdle = true;
        }
    };
    store->CaptureIdle = false;
    const CaptureOutcome outcome = ReadADCALL(io, *store);
    run.elapsedMs = (clock.NowDays() - start) * 86400000.0;
    const bool streamFailed = stream && stream->error() != QFileDevice::NoError;
    if (outcome.end == CaptureEnd::Stopped && reached && !streamFailed) {
        run.ok = true;
    } else if (outcome.end == CaptureEnd::Stopped && userStop && !streamFailed) {
        run.stopped = true;
    } else if (streamFailed) {
        run.error = QStringLiteral("cannot write %1: %2").arg(options.streamPath, stream->errorString());
    } else if (outcome.end == CaptureEnd::NoData) {
        run.error = QStringLiteral("the board stopped sending results after %1 samples").arg(stats.Count());
    } else if (outcome.end == CaptureEnd::NotSupported) {
        run.error = QStringLiteral("the streamed capture does not run on this interface");
    } else {
        run.error = QStringLiteral("Read Error !!!!! (the link to the board failed after %1 samples)").arg(stats.Count());
    }
    // The codes file holds what was kept, when the capture kept anything and the file is whole.
    if (stream) {
        if ((run.ok || run.stopped) && !stream->commit()) {
            run.ok = run.stopped = false;
            run.error = QStringLiteral("cannot write %1: %2").arg(options.streamPath, stream->errorString());
        } else if (!run.ok && !run.stopped) {
            stream->cancelWriting();
        }
    }
    return run;
}

} // namespace vek
