#pragma once
// The chip's sigma-delta converter and the firmware that streams its results, on the simulated
// board. The converter reads its settings from the chip's own registers the way the chip
// description binds them (oversampling "OSR0", gains "PGA0GN", "AD0GN", "VRE0GN"), so changing a
// setting through the panels changes the data rate and the noise of the codes.
//
// Firmware: bit 1 of RAM 0xF0 starts the stream and clearing it stops it; the board answers the
// count and fetch requests of the SPI, Special and UART links from a buffer of results not yet
// fetched. Bit 2 of 0xF0 captures a block into chip RAM and is cleared when the block is there.
// The single-conversion request answers with one result.
#include "app/base/Clock.h"
#include "chipdesc/FieldBindings.h"
#include "sim/SimBoard.h"

#include <QString>
#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <random>
#include <vector>

namespace vek::sim {

struct AdcFieldMap {
    FieldBinding osr{0x30, 3, 0, 0, true};
    FieldBinding pga{0x3C, 2, 3, 0, true};
    FieldBinding adGain{0x3C, 3, 0, 0, true};
    FieldBinding refGain{0x3D, 1, 3, 0, true};
    // Converter enable, output divider, chopper (0 on), clock choice, and the output registers.
    FieldBinding enable{0x30, 1, 7, 0, true};
    FieldBinding divider{0x31, 3, 0, 0, true};
    FieldBinding chopperOff{0x30, 1, 4, 0, true};
    FieldBinding slowClock{0x30, 1, 5, 0, true};
    FieldBinding outHigh{0x3B, 0, 0, 0, true};
    FieldBinding outMiddle{0x3A, 0, 0, 0, true};
    FieldBinding outLow{0x39, 0, 0, 0, true};
    // A model without the high output byte has a 16-bit converter: its results are the upper 16
    // bits of the 24-bit word and stand in the middle and low output registers.
    bool hasHighByte = true;
    // The input short, the two input multiplexers, the DC offset and the high-gain input stage.
    FieldBinding inputShort{0x33, 1, 5, 0, true};
    FieldBinding inputHigh{0x37, 3, 3, 0, true};
    FieldBinding inputLow{0x37, 3, 0, 0, true};
    FieldBinding dcSet{0x3D, 3, 0, 0, true};
    FieldBinding highGain{0x30, 1, 3, 0, true};
};

// The fields from a chip description's bindings; unbound names keep the usual registers.
AdcFieldMap AdcFieldsFrom(const FieldBindings &bindings);

// Reads a replay file: one signed 24-bit code a line (decimal, blanks around it allowed, empty
// lines skipped). False with a message naming the line for anything else.
bool LoadReplayCodes(const QString &path, std::vector<int32_t> &codes, QString *error);
// The same for the text of such a file; sourceName names it in the message.
bool ParseReplayCodes(const QByteArray &text, std::vector<int32_t> &codes, QString *error,
                      const QString &sourceName);

// A sine added to the differential input. Its time is the result index over the converter's data
// rate at that moment, so a capture sees the tone at its frequency whatever clock runs the stream.
// thdDbc, when set, adds a 2nd and a 3rd harmonic of equal size whose powers sum to that much
// below the tone.
struct SineInput {
    double amplitudeVolts = 0; // peak
    double frequencyHz = 0;
    std::optional<double> thdDbc;
    bool On() const { return amplitudeVolts > 0 && frequencyHz > 0; }
};

class SimAdc {
public:
    SimAdc(SimBoard &board, Clock &clock);
    SimAdc(const SimAdc &) = delete;
    SimAdc &operator=(const SimAdc &) = delete;

    AdcFieldMap fields;
    // The bench's differential input, between the two multiplexers' first inputs (code 0 of
    // each); the simulated calibrator may drive it.
    double inputVolts = 0.010;
    // What each multiplexer input carries besides the bench's input: code k of either
    // multiplexer adds sourceVolts[k] on its side, so every choice reads differently (code 0
    // adds nothing; the last two stand for the temperature sensor's pair).
    std::array<double, 8> sourceVolts{0.0, 0.100, 0.200, 0.300, 0.400, 0.500, 0.550, 0.650};
    // The high-gain input stage lowers the front end's noise by this factor.
    double highGainNoiseFactor = 0.5;
    SineInput sine;            // added to inputVolts in every conversion of the input
    double refVolts = 1.2;
    // The converter's clock ADC_CK with ADCCK0 = 0 and 1, the clock the ZR family's chip files name
    // ("#ADCCLK"); the modulator runs at ADC_CK / 8 and the output rate is
    // ADC_CK / (256 x 2^OSR) / 2^ADCS.
    std::array<double, 2> adcClockHz{2621440.0, 1310720.0};
    double offsetCodes = 37;
    // Noise at the input, referred to the input: the front end's part (falls with oversampling)
    // and the converter's own part (divided by the gain in front of it).
    double frontNoiseVolts = 1.6e-6;
    double converterNoiseVolts = 9e-6;
    // Produce results as fast as they are fetched instead of at the converter's data rate.
    bool asFastAsPossible = false;
    // Results waiting beyond this many bytes are lost, as in the firmware's ring buffer.
    size_t bufferLimitBytes = 1u << 20;
    // The most result bytes a UART count reply offers (a board may offer more than one fetch
    // frame carries).
    size_t uartCountLimitBytes = 63;
    // The converter stops delivering after this many results of a stream (-1 never).
    int64_t stallAfterResults = -1;

    void Seed(uint64_t seed)
    {
        m_seed = seed;
        m_rng.seed(seed);
    }
    // 1/f (flicker) noise added to the stream: its spectral density equals the white noise's at
    // this frequency (0: none). Made as a sum of first-order processes one octave apart, from
    // 1 mHz to the Nyquist frequency.
    double flickerCornerHz = 0;
    // Every stream starts the noise afresh from the seed, so that a capture at given settings gives
    // the same codes whatever came before it (a sweep's point and a single capture alike).
    bool restartNoiseEachStream = false;
    // Streams exactly these codes, in order, then nothing.
    void Replay(std::vector<int32_t> codes);
    bool Replaying() const { return m_replay.has_value(); }

    // Settings as the registers hold them now.
    int OversamplingRatio() const;
    double DataRateHz() const;
    double Gain() const;
    // Standard deviation of the codes' noise for the current settings.
    double NoiseCodes() const;
    // The sine's amplitude in codes for the current gain and reference.
    double SineAmplitudeCodes() const;
    // Signal-to-noise ratio (dB) the sine and the noise of the current settings give: the sine's
    // power over the noise variance with the quantisation's 1/12 code^2. Harmonics are left out.
    double ExpectedSnrDb() const;
    // The next conversion result.
    int32_t NextCode();
    // A conversion of the input now (not from a replay). It stands apart from the stream: the sine
    // is taken at the clock's time and the stream's sine goes on undisturbed.
    int32_t ConvertNow() { return Resolve(CodeFor(InputOnClock())); }
    // The differential voltage at the converter's input for an input v between the multiplexers'
    // first inputs: 0 with the input shorted, else v and the sources of the chosen inputs.
    double InputThroughMux(double v) const;
    // With the chopper off the converter keeps an offset of its own and more low-frequency noise.
    double chopperOffCodes = 420;
    double chopperOffNoiseFactor = 2.0;

    // The stream as the chip's serial monitor hands it out: the result bytes ready now (whole
    // results, at most `limit` bytes), and the oldest `n` bytes of the stream (fewer when fewer
    // are there).
    uint8_t OfferCount(size_t limit);
    std::vector<uint8_t> TakeStreamBytes(size_t n);

    bool Streaming() const { return m_streaming; }
    size_t BufferedBytes() const { return m_buffer.size(); }
    uint64_t LostBytes() const { return m_lost; }
    int64_t ResultsProduced() const { return m_produced; }

private:
    bool OnFrame(const uint8_t *f, size_t length, std::vector<uint8_t> &reply);
    void OnWrite(uint32_t address, uint8_t value);
    // A board pulled out and plugged in again powers the chip up afresh: no stream runs.
    void FollowPowerCycle(bool clearModeByte);
    uint8_t Field(const FieldBinding &b) const;
    void Produce(size_t wantBytes);
    int32_t CodeFor(double volts);
    // A 24-bit code as the converter delivers it: a 16-bit converter keeps the upper 16 bits.
    int32_t Resolve(int32_t code) const;
    // inputVolts plus the sine (and its harmonics) at a phase in cycles.
    double InputAt(double cycles) const;
    // The input of the next result: the sine then moves on by one result at the data rate.
    double InputNow();
    // The input at the clock's time, for a conversion outside the stream.
    double InputOnClock() const;
    void PushCode(int32_t code);
    void CaptureBlock();

    SimBoard &m_board;
    Clock &m_clock;
    std::mt19937_64 m_rng{1};
    uint64_t m_seed = 1;
    double FlickerCodes();
    std::vector<double> m_flicker; // the state of each first-order process
    std::normal_distribution<double> m_normal{0.0, 1.0};
    std::optional<std::vector<int32_t>> m_replay;
    size_t m_replayPos = 0;
    double m_sineCycles = 0; // the sine's phase in cycles, kept within [0, 1)
    bool m_streaming = false;
    double m_streamStartDays = 0;
    int m_powerGeneration = 0; // the board's plug-in the stream belongs to
    int64_t m_produced = 0;
    std::deque<uint8_t> m_buffer;
    std::vector<uint8_t> m_fetch; // bytes of a fetch still to be sent in continuation frames
    size_t m_fetchPos = 0;
    uint64_t m_lost = 0;
};

} // namespace vek::sim
