#include "sim/SimAdc.h"

#include <QFile>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace vek::sim {

namespace {
constexpr uint16_t kModeAddress = 0xF0;
constexpr uint8_t kStreamBit = 0x02;
constexpr uint8_t kBlockBit = 0x04;
constexpr size_t kDeviceBlockBytes = 252; // 84 results, what one count reply offers
constexpr size_t kUartBlockBytes = 63;    // one frame less its status byte
constexpr int32_t kCodeMin = -8388608, kCodeMax = 8388607;
// Codes per volt of (gained) input per volt of reference: the analysis counts Vref / (gain x 2^22)
// per code of a 24-bit result, so the simulated converter maps the reference onto 2^22 codes and
// the noise it injects is the noise the figures report.
constexpr double kCodesPerRef = 4194304.0;
} // namespace

AdcFieldMap AdcFieldsFrom(const FieldBindings &bindings)
{
    AdcFieldMap m;
    auto take = [&](const char *name, FieldBinding &into) {
        const FieldBinding &b = bindings.adc.Get(QString::fromLatin1(name));
        if (b.bound && b.width > 0)
            into = b;
    };
    take("OSR0", m.osr);
    take("PGA0GN", m.pga);
    take("AD0GN", m.adGain);
    take("VRE0GN", m.refGain);
    take("ENADC0", m.enable);
    take("ADCS0", m.divider);
    take("ENCHP0", m.chopperOff);
    take("ADCCK0", m.slowClock);
    auto takeAddress = [&](const char *name, FieldBinding &into) {
        const FieldBinding &b = bindings.adc.Get(QString::fromLatin1(name));
        if (b.bound)
            into.address = b.address;
    };
    takeAddress("ADC0OH", m.outHigh);
    takeAddress("ADC0OM", m.outMiddle);
    takeAddress("ADC0OL", m.outLow);
    // A description that names its output bytes but not the high one has a 16-bit converter.
    m.hasHighByte = bindings.adc.Get(QStringLiteral("ADC0OH")).bound ||
                    !bindings.adc.Get(QStringLiteral("ADC0OM")).bound;
    take("IN0IS", m.inputShort);
    take("IN0H", m.inputHigh);
    take("IN0L", m.inputLow);
    take("DCSET0", m.dcSet);
    take("ENHIGN0", m.highGain);
    return m;
}

bool ParseReplayCodes(const QByteArray &text, std::vector<int32_t> &codes, QString *error,
                      const QString &sourceName)
{
    codes.clear();
    int lineNo = 0;
    for (QByteArrayView rest(text); !rest.isEmpty();) {
        const qsizetype end = rest.indexOf('\n');
        const QByteArrayView raw = end < 0 ? rest : rest.first(end);
        rest = end < 0 ? QByteArrayView() : rest.sliced(end + 1);
        ++lineNo;
        const QByteArray line = raw.trimmed().toByteArray();
        if (line.isEmpty())
            continue;
        bool ok = false;
        const long long v = line.size() <= 32 ? line.toLongLong(&ok, 10) : 0;
        if (!ok || v < kCodeMin || v > kCodeMax) {
            if (error)
                *error = QStringLiteral("%1 line %2: not a signed 24-bit code").arg(sourceName).arg(lineNo);
            codes.clear();
            return false;
        }
        codes.push_back(int32_t(v));
    }
    return true;
}

bool LoadReplayCodes(const QString &path, std::vector<int32_t> &codes, QString *error)
{
    // Larger than any capture needs many times over; a wrong file named by mistake is refused
    // instead of being read into memory.
    constexpr qint64 kMaxBytes = 64ll << 20;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || f.size() > kMaxBytes) {
        if (error)
            *error = QStringLiteral("cannot read %1").arg(path);
        return false;
    }
    return ParseReplayCodes(f.read(kMaxBytes), codes, error, path);
}

SimAdc::SimAdc(SimBoard &board, Clock &clock) : m_board(board), m_clock(clock)
{
    m_powerGeneration = board.Generation();
    board.protocol.AddFrameHandler(
        [this](const uint8_t *f, size_t length, std::vector<uint8_t> &reply) { return OnFrame(f, length, reply); });
    board.memory.onWrite = [this](uint32_t address, uint8_t value) { OnWrite(address, value); };
}

void SimAdc::Replay(std::vector<int32_t> codes)
{
    m_replay = std::move(codes);
    m_replayPos = 0;
}

uint8_t SimAdc::Field(const FieldBinding &b) const
{
    const uint8_t reg = m_board.memory.Read(b.address);
    const int width = std::clamp<int>(b.width, 0, 8);
    return uint8_t((reg >> b.position) & ((1u << width) - 1));
}

int SimAdc::OversamplingRatio() const { return 32 << std::min<int>(Field(fields.osr), 7); }

double SimAdc::DataRateHz() const
{
    // The output divider and the slow clock choice lower the rate; the oversampling sets the noise.
    const double clock = adcClockHz[Field(fields.slowClock) ? 1 : 0];
    return clock / double(256 << std::min<int>(Field(fields.osr), 7)) /
           double(1 << std::min<int>(Field(fields.divider), 7));
}

double SimAdc::Gain() const
{
    static const double kInput[8] = {0.25, 0.5, 1, 2, 4, 8, 16, 16};
    static const double kSecond[4] = {1, 2, 4, 8};
    double g = kInput[Field(fields.adGain) & 7] * kSecond[Field(fields.pga) & 3];
    if (Field(fields.refGain) & 1)
        g *= 2;
    return g;
}

double SimAdc::NoiseCodes() const
{
    // White noise averages down with the oversampling ratio.
    const double averaging = std::sqrt(OversamplingRatio() / 32.0);
    const double gain = Gain();
    const double chopper = Field(fields.chopperOff) ? chopperOffNoiseFactor : 1.0;
    const double stage = Field(fields.highGain) ? highGainNoiseFactor : 1.0;
    const double front = frontNoiseVolts * chopper * stage / averaging;
    const double converter = converterNoiseVolts / averaging / gain;
    const double inputNoise = std::sqrt(front * front + converter * converter);
    return inputNoise * gain / refVolts * kCodesPerRef;
}

double SimAdc::SineAmplitudeCodes() const
{
    return sine.amplitudeVolts * Gain() / refVolts * kCodesPerRef;
}

double SimAdc::ExpectedSnrDb() const
{
    const double a = SineAmplitudeCodes();
    const double noise = NoiseCodes();
    return 10.0 * std::log10(a * a / 2.0 / (noise * noise + 1.0 / 12.0));
}

double SimAdc::InputThroughMux(double v) const
{
    if (Field(fields.inputShort))
        return 0.0;
    return v + sourceVolts[Field(fields.inputHigh) & 7] - sourceVolts[Field(fields.inputLow) & 7];
}

double SimAdc::InputAt(double cycles) const
{
    if (!sine.On())
        return InputThroughMux(inputVolts);
    const double x = 2.0 * std::numbers::pi * cycles;
    double v = sine.amplitudeVolts * std::sin(x);
    if (sine.thdDbc) {
        // Two harmonics of equal power share the total: each 10 log10(2) dB below it.
        const double each = sine.amplitudeVolts * std::pow(10.0, (*sine.thdDbc - 10.0 * std::log10(2.0)) / 20.0);
        v += each * (std::sin(2 * x) + std::sin(3 * x));
    }
    return InputThroughMux(inputVolts + v);
}

double SimAdc::InputNow()
{
    const double v = InputAt(m_sineCycles);
    const double rate = DataRateHz();
    if (sine.On() && rate > 0) {
        m_sineCycles += sine.frequencyHz / rate;
        m_sineCycles -= std::floor(m_sineCycles);
    }
    return v;
}

double SimAdc::InputOnClock() const
{
    const double cycles = sine.frequencyHz * m_clock.NowDays() * 86400.0;
    return InputAt(cycles - std::floor(cycles));
}

int32_t SimAdc::CodeFor(double volts)
{
    // DCSET adds a quarter of the reference per step after the gain: codes 1-3 up, 5-7 down.
    const int dc = Field(fields.dcSet) & 7;
    const double dcCodes = (dc < 4 ? dc : -(dc - 4)) * kCodesPerRef / 4.0;
    const double ideal = volts * Gain() / refVolts * kCodesPerRef + offsetCodes + dcCodes +
                         (Field(fields.chopperOff) ? chopperOffCodes : 0.0);
    const double noisy = ideal + NoiseCodes() * m_normal(m_rng);
    return int32_t(std::clamp(std::llround(noisy), (long long)kCodeMin, (long long)kCodeMax));
}

double SimAdc::FlickerCodes()
{
    const double rate = DataRateHz();
    if (!(flickerCornerHz > 0) || !(rate > 0))
        return 0;
    // Processes with corners f_k one octave apart and equal variance v sum to a density of about
    // v / (f ln 2); at the corner it equals the white noise's 2 sigma^2 / rate.
    const double sigma = NoiseCodes();
    const double v = 2.0 * sigma * sigma * flickerCornerHz * std::log(2.0) / rate;
    const int poles = std::max(1, int(std::ceil(std::log2(rate / 2.0 / 0.001))));
    // Each process starts from its own stationary spread, not from rest.
    while (m_flicker.size() < size_t(poles))
        m_flicker.push_back(std::sqrt(v) * m_normal(m_rng));
    m_flicker.resize(size_t(poles));
    double sum = 0;
    for (int k = 0; k < poles; ++k) {
        const double a = std::exp(-2.0 * M_PI * 0.001 * std::ldexp(1.0, k) / rate);
        double &y = m_flicker[size_t(k)];
        y = a * y + std::sqrt(v * (1.0 - a * a)) * m_normal(m_rng);
        sum += y;
    }
    return sum;
}

int32_t SimAdc::Resolve(int32_t code) const
{
    return fields.hasHighByte ? code : int32_t(uint32_t(code) & ~0xFFu);
}

int32_t SimAdc::NextCode()
{
    if (m_replay)
        return (*m_replay)[m_replayPos++];
    if (!(flickerCornerHz > 0))
        return Resolve(CodeFor(InputNow()));
    const double flicker = FlickerCodes();
    return Resolve(
        int32_t(std::clamp<long long>(CodeFor(InputNow()) + std::llround(flicker), kCodeMin, kCodeMax)));
}

void SimAdc::PushCode(int32_t code)
{
    ++m_produced;
    if (m_buffer.size() + 3 > bufferLimitBytes) {
        m_lost += 3;
        return;
    }
    const uint32_t u = uint32_t(code) & 0xFFFFFF;
    m_buffer.push_back(uint8_t(u));
    m_buffer.push_back(uint8_t(u >> 8));
    m_buffer.push_back(uint8_t(u >> 16));
}

void SimAdc::Produce(size_t wantBytes)
{
    if (!m_streaming)
        return;
    auto available = [&]() -> bool {
        return (!m_replay || m_replayPos < m_replay->size()) &&
               (stallAfterResults < 0 || m_produced < stallAfterResults);
    };
    if (asFastAsPossible) {
        while (m_buffer.size() < wantBytes && available())
            PushCode(NextCode());
        return;
    }
    // Results the converter has finished since the stream started.
    const double elapsedS = std::max(0.0, (m_clock.NowDays() - m_streamStartDays) * 86400.0);
    const int64_t due = int64_t(std::floor(elapsedS * DataRateHz()));
    while (m_produced < due && available())
        PushCode(NextCode());
    if (m_replay && !available())
        m_produced = std::max(m_produced, due);
}

void SimAdc::FollowPowerCycle(bool clearModeByte)
{
    if (m_powerGeneration == m_board.Generation())
        return;
    m_powerGeneration = m_board.Generation();
    if (!m_streaming)
        return;
    m_streaming = false;
    m_buffer.clear();
    m_fetch.clear();
    m_fetchPos = 0;
    if (clearModeByte)
        m_board.memory.Write(kModeAddress, 0); // the firmware starts with its mode byte clear
}

void SimAdc::OnWrite(uint32_t address, uint8_t value)
{
    // A write of the mode byte itself already says what the firmware does next.
    FollowPowerCycle(address != kModeAddress);
    if (address != kModeAddress)
        return;
    const bool stream = (value & kStreamBit) != 0;
    if (stream && !m_streaming) {
        m_streaming = true;
        if (restartNoiseEachStream) {
            m_rng.seed(m_seed);
            m_normal.reset();
            m_flicker.clear();
        }
        m_streamStartDays = m_clock.NowDays();
        m_produced = 0;
        m_buffer.clear();
        m_fetch.clear();
        m_fetchPos = 0;
    } else if (!stream && m_streaming) {
        m_streaming = false;
        m_buffer.clear();
    }
    if (value & kBlockBit)
        CaptureBlock();
}

void SimAdc::CaptureBlock()
{
    auto put = [&](uint32_t at, int count) {
        for (int i = 0; i < count; ++i) {
            const uint32_t u = uint32_t(NextCode()) & 0xFFFFFF;
            m_board.memory.Write(at + 3 * i, uint8_t(u));
            m_board.memory.Write(at + 3 * i + 1, uint8_t(u >> 8));
            m_board.memory.Write(at + 3 * i + 2, uint8_t(u >> 16));
        }
    };
    const bool replayEnds = m_replay && m_replayPos + 16 + 41 + 85 > m_replay->size();
    if (replayEnds)
        return; // a replay too short for a block leaves the request pending
    put(0xC0, 16);  // the small models' block
    put(0x103, 41); // the banked models' block
    put(0x200, 85);
    m_board.memory.Write(kModeAddress, uint8_t(m_board.memory.Read(kModeAddress) & ~kBlockBit));
}

uint8_t SimAdc::OfferCount(size_t limit)
{
    Produce(limit);
    return uint8_t(std::min({m_buffer.size(), limit, size_t(255)}) / 3 * 3);
}

std::vector<uint8_t> SimAdc::TakeStreamBytes(size_t n)
{
    std::vector<uint8_t> out;
    while (out.size() < n && !m_buffer.empty()) {
        out.push_back(m_buffer.front());
        m_buffer.pop_front();
    }
    return out;
}

bool SimAdc::OnFrame(const uint8_t *f, size_t length, std::vector<uint8_t> &reply)
{
    FollowPowerCycle(true);
    if (length < 2)
        return false;
    auto takeFetch = [&](size_t count) {
        reply.assign(count, 0);
        for (size_t i = 0; i < count && m_fetchPos < m_fetch.size(); ++i)
            reply[i] = m_fetch[m_fetchPos++];
    };
    auto startFetch = [&](size_t n) {
        m_fetch.assign(n, 0);
        m_fetchPos = 0;
        for (size_t i = 0; i < n && !m_buffer.empty(); ++i) {
            m_fetch[i] = m_buffer.front();
            m_buffer.pop_front();
        }
    };
    auto countReply = [&](size_t limit) {
        // A chip without supply has stopped converting and lost what it held.
        if (!m_board.memory.Powered()) {
            m_streaming = false;
            m_buffer.clear();
            return uint8_t(0);
        }
        Produce(limit);
        const size_t n = std::min(m_buffer.size(), limit) / 3 * 3;
        return uint8_t(n);
    };
    const uint8_t op = f[0];
    const bool deviceRoute = op == 0xB1 || op == 0xBC || op == 0xBA || op == 0xBE;
    if (deviceRoute && f[1] == 0x81) {
        reply = {countReply(kDeviceBlockBytes)};
        return true;
    }
    if (deviceRoute && f[1] == 0x82 && length >= 3) {
        startFetch(f[2]);
        takeFetch(std::min<size_t>(f[2], 64));
        return true;
    }
    if (op == 0x82) { // continuation of a fetch: 0x82, count, (ignored)
        takeFetch(std::min<size_t>(f[1], 64));
        return true;
    }
    if (op == 0xC1 && f[1] == 0x81) {
        reply = {countReply(uartCountLimitBytes), 0xAA};
        return true;
    }
    if (op == 0xC1 && f[1] == 0x82 && length >= 3) {
        const size_t n = std::min<size_t>(f[2], kUartBlockBytes);
        startFetch(n);
        takeFetch(n);
        reply.push_back(0xFA);
        return true;
    }
    // Single conversion: route, link, mode, address (2), F0 00 08 64.
    const bool convRoute = op == 0xBB || op == 0xBD || op == 0xBA || op == 0xBE;
    if (convRoute && length >= 9 && f[1] <= 1 && f[5] == 0xF0 && f[6] == 0x00 && f[7] == 0x08 &&
        f[8] == 0x64) {
        const uint32_t a = uint32_t(CodeFor(InputOnClock())) & 0xFFFFFF;
        const uint32_t b = uint32_t(CodeFor(0.0)) & 0xFFFFFF;
        reply = {0xFA, uint8_t(a), uint8_t(a >> 8), uint8_t(a >> 16), uint8_t(b), uint8_t(b >> 8),
                 uint8_t(b >> 16)};
        return true;
    }
    return false;
}

} // namespace vek::sim
