#include "analysis/NoiseSweep.h"

#include <QStringList>

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>

namespace vek {

namespace {

constexpr double kInputGains[8] = {0.25, 0.5, 1, 2, 4, 8, 16, 16};
constexpr double kPgaGains[4] = {1, 2, 4, 8};
constexpr double kMsPerDay = 86400000.0;

QString GainText(double g)
{
    if (g < 1)
        return QStringLiteral("x1/%1").arg(qlonglong(std::lround(1 / g)));
    return QStringLiteral("x%1").arg(qlonglong(std::lround(g)));
}

// The registers of the chip the sweep writes, read once at the start and put back at the end.
class TouchedRegisters {
public:
    explicit TouchedRegisters(SweepIo &io) : m_io(io) {}

    // Reads and keeps the field's register; false when it cannot be read.
    bool Keep(const FieldBinding &b)
    {
        if (!b.bound)
            return true;
        m_masks[b.address] |= Mask(b);
        if (m_saved.count(b.address))
            return true;
        if (!ReadChip(m_io.chip, b.address, 1, 0))
            return false;
        m_saved[b.address] = m_io.chip.link.buffer[0];
        return true;
    }

    // Writes code into the field, read-modify-write on the chip, and checks the field read back.
    bool WriteField(const FieldBinding &b, int code, QString &error)
    {
        return WriteBits(b.address, Mask(b), uint8_t(code << b.position), error);
    }

    // Puts the kept fields back (the register's other bits, such as flags the converter sets, as
    // they are now); false when one does not take its old value.
    bool Restore(QString &error)
    {
        bool all = true;
        for (const auto &[address, value] : m_saved)
            all = WriteBits(address, m_masks[address], value, error) && all;
        return all;
    }

private:
    static uint8_t Mask(const FieldBinding &b)
    {
        return uint8_t(((1u << std::clamp<int>(b.width, 1, 8)) - 1u) << b.position);
    }

    bool WriteBits(uint16_t address, uint8_t mask, uint8_t bits, QString &error)
    {
        const QString name = QString::number(address, 16).toUpper();
        if (!ReadChip(m_io.chip, address, 1, 0)) {
            error = QStringLiteral("cannot read register %1").arg(name);
            return false;
        }
        const uint8_t value = uint8_t((m_io.chip.link.buffer[0] & ~mask) | (bits & mask));
        m_io.chip.link.buffer[5] = value;
        const bool written = WriteChip(m_io.chip, address, 1, 0) && ReadChip(m_io.chip, address, 1, 0);
        const uint8_t back = m_io.chip.link.buffer[0];
        if (written)
            SetImageByte(m_io.chip.chips, address, back, 0);
        if (!written || (back & mask) != (value & mask)) {
            error = QStringLiteral("register %1 did not take %2").arg(name, QString::number(value, 16).toUpper());
            return false;
        }
        return true;
    }

    SweepIo &m_io;
    std::map<uint16_t, uint8_t> m_saved;
    std::map<uint16_t, uint8_t> m_masks;
};

double Seconds(double fromDays, double toDays) { return (toDays - fromDays) * kMsPerDay / 1000.0; }

} // namespace

double SweepGain::Gain() const
{
    return kInputGains[std::clamp(adgn, 0, 7)] * kPgaGains[std::clamp(pga, 0, 3)];
}

QString SweepGain::Label() const { return GainText(Gain()); }

std::vector<SweepGain> AllSweepGains()
{
    std::vector<SweepGain> gains;
    for (int adgn = 0; adgn <= 6; ++adgn)
        gains.push_back({adgn, 0});
    for (int pga = 1; pga <= 3; ++pga)
        gains.push_back({6, pga});
    return gains;
}

bool ParseOsrCodes(const QString &text, std::vector<int> &codes)
{
    const QString t = text.trimmed().toLower();
    std::vector<int> out;
    if (t == QLatin1String("all")) {
        for (int c = 0; c <= 7; ++c)
            out.push_back(c);
    } else {
        for (const QString &part : t.split(QLatin1Char(','))) {
            const QStringList ends = part.split(QLatin1Char('-'));
            bool okA = false, okB = true;
            const int a = ends.value(0).trimmed().toInt(&okA);
            const int b = ends.size() == 2 ? ends[1].trimmed().toInt(&okB) : a;
            if (ends.size() > 2 || !okA || !okB || a < 0 || b > 7 || a > b)
                return false;
            for (int c = a; c <= b; ++c)
                out.push_back(c);
        }
    }
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    codes = out;
    return !codes.empty();
}

bool ParseSweepGains(const QString &text, std::vector<SweepGain> &gains)
{
    const QString t = text.trimmed().toLower();
    const std::vector<SweepGain> all = AllSweepGains();
    if (t == QLatin1String("all")) {
        gains = all;
        return true;
    }
    std::vector<SweepGain> out;
    for (const QString &part : t.split(QLatin1Char(','))) {
        bool ok = false;
        double g = part.trimmed().toDouble(&ok);
        if (!ok && part.trimmed().startsWith(QLatin1String("1/")))
            g = 1.0 / part.trimmed().mid(2).toDouble(&ok);
        const auto it = std::find_if(all.begin(), all.end(), [g](const SweepGain &s) { return s.Gain() == g; });
        if (!ok || it == all.end())
            return false;
        if (std::none_of(out.begin(), out.end(), [g](const SweepGain &s) { return s.Gain() == g; }))
            out.push_back(*it);
    }
    std::sort(out.begin(), out.end(), [](const SweepGain &a, const SweepGain &b) { return a.Gain() < b.Gain(); });
    gains = out;
    return !gains.empty();
}

std::vector<SweepPoint> PlanSweep(const SweepOptions &options)
{
    std::vector<SweepPoint> points;
    const std::vector<int> chopper = options.chopper.empty() ? std::vector<int>{-1} : options.chopper;
    for (int c : chopper)
        for (int osr : options.osrCodes)
            for (const SweepGain &g : options.gains) {
                SweepPoint p;
                p.osr = osr;
                p.gain = g;
                p.chopper = c;
                points.push_back(p);
            }
    return points;
}

double EstimateSweepSeconds(const SweepOptions &options, const PanelBindings &adc, const ChipDescription &desc,
                            std::span<const uint8_t> image)
{
    const FieldBinding &osr = adc.Get(QStringLiteral("OSR0"));
    if (!osr.bound || osr.address >= image.size())
        return 0;
    std::vector<uint8_t> copy(image.begin(), image.end());
    const uint8_t mask = uint8_t(((1u << std::clamp<int>(osr.width, 1, 8)) - 1u) << osr.position);
    double seconds = 0;
    for (const SweepPoint &p : PlanSweep(options)) {
        copy[osr.address] = uint8_t((copy[osr.address] & ~mask) | ((p.osr << osr.position) & mask));
        const ConverterRate rate = ConverterRateFromSettings(adc, desc, copy);
        if (!rate.fromSettings || !(rate.hz > 0))
            return 0;
        seconds += (options.samples + kSettlingConversions + 6) / rate.hz;
    }
    return seconds;
}

SweepRun RunNoiseSweep(SweepIo &io, const SweepOptions &options)
{
    SweepRun run;
    const FieldBinding &osr = io.adc.Get(QStringLiteral("OSR0"));
    const FieldBinding &adgn = io.adc.Get(QStringLiteral("AD0GN"));
    const FieldBinding &pga = io.adc.Get(QStringLiteral("PGA0GN"));
    const FieldBinding &chopper = io.adc.Get(QStringLiteral("ENCHP0"));
    const FieldBinding &shortInput = io.adc.Get(QStringLiteral("IN0IS"));
    if (!osr.bound || !adgn.bound) {
        run.error = QStringLiteral("the chip description binds no %1").arg(osr.bound ? "AD0GN" : "OSR0");
        return run;
    }
    if (!options.chopper.empty() && !chopper.bound) {
        run.error = QStringLiteral("the chip description binds no ENCHP0 (chopper)");
        return run;
    }
    TouchedRegisters touched(io);
    for (const FieldBinding *b : {&osr, &adgn, &pga, &chopper, &shortInput})
        if (!touched.Keep(*b)) {
            run.error = QStringLiteral("cannot read register %1").arg(QString::number(b->address, 16).toUpper());
            return run;
        }

    run.points = PlanSweep(options);
    const int total = int(run.points.size());
    QString error;
    bool started = !options.shortInput || !shortInput.bound || touched.WriteField(shortInput, 1, error);
    if (!started)
        run.error = error;
    int done = 0;
    for (int i = 0; started && i < total; ++i) {
        if (io.stopRequested && io.stopRequested()) {
            run.stopped = true;
            break;
        }
        SweepPoint &p = run.points[size_t(i)];
        const double start = io.clock.NowDays();
        bool set = touched.WriteField(osr, p.osr, p.error) && touched.WriteField(adgn, p.gain.adgn, p.error);
        if (set && pga.bound)
            set = touched.WriteField(pga, p.gain.pga, p.error);
        else if (set && p.gain.pga != 0) {
            set = false;
            p.error = QStringLiteral("the chip description binds no PGA0GN");
        }
        if (set && p.chopper >= 0)
            set = touched.WriteField(chopper, p.chopper, p.error);
        if (set) {
            p.rate = ReadConverterRateFromChip(io.chip, io.adc, io.description, 0);
            if (p.rate.fromSettings && p.rate.hz > 0) {
                p.settleMs = 1000.0 * kSettlingConversions / p.rate.hz;
                WaitMs(io.clock, int32_t(std::ceil(p.settleMs)));
            }
            EnobOptions enob;
            enob.samples = options.samples;
            enob.width = options.width;
            enob.refVoltText = options.refVoltText;
            enob.idleTimeoutMs = options.idleTimeoutMs;
            enob.pumpMessages = [&io] {
                if (io.pumpMessages)
                    io.pumpMessages();
                if (io.stopRequested && io.stopRequested())
                    io.store.CaptureIdle = true; // ends the capture as stopped
            };
            AnalysisResults results;
            const EnobRun r = MeasureEnob(io.chip, io.kind, io.store, enob, results);
            p.ok = r.ok;
            p.error = r.error;
            if (r.ok) {
                p.results = r.results;
                p.gainRead = r.gain;
            }
        }
        // A capture ended by the stop measured nothing and failed at nothing: the point is left
        // as not reached. A point that failed otherwise is marked and the sweep goes on.
        if (!p.ok && io.stopRequested && io.stopRequested()) {
            run.stopped = true;
            break;
        }
        p.elapsedMs = Seconds(start, io.clock.NowDays()) * 1000.0;
        ++done;
        if (io.pointDone)
            io.pointDone(p, i, total);
    }
    run.points.resize(size_t(done));
    QString restoreError;
    run.restored = touched.Restore(restoreError);
    if (!run.restored && run.error.isEmpty())
        run.error = restoreError;
    run.ok = started && !run.stopped && run.restored && done == total &&
             std::all_of(run.points.begin(), run.points.end(), [](const SweepPoint &p) { return p.ok; });
    return run;
}

} // namespace vek
