#include "analysis/SineFit.h"

#include <Eigen/Dense>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

namespace vek {

namespace {

using Matrix = Eigen::MatrixXd;
using Vector = Eigen::VectorXd;

constexpr double kFloorDb = -300.0;
constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr int kMinSamples = 64;
// A tone needs this many cycles between it and DC or Nyquist: closer, the sine and cosine
// columns can no longer be told from the offset (or from each other).
constexpr double kEdgeCycles = 3.0;
// Two components closer than this many bins of the record cannot be fitted apart.
constexpr double kApartBins = 1.5;
constexpr int kMaxIterations = 100;
constexpr int kRowsPerBlock = 512;

// Decibels of a power ratio, kept within +-300 dB (a noiseless record gives +300).
double Db(double ratio)
{
    if (!(ratio > 0))
        return kFloorDb;
    return std::isinf(ratio) ? -kFloorDb : std::clamp(10.0 * std::log10(ratio), kFloorDb, -kFloorDb);
}

double Folded(double cyclesPerSample)
{
    double f = cyclesPerSample - std::floor(cyclesPerSample);
    return f > 0.5 ? 1.0 - f : f;
}

// The linear part of the model: the offset, then a cosine and a sine column for the fundamental
// and for every harmonic that can be told apart. With `derivative`, one more column: the
// model's derivative with respect to the frequency (scaled by the record length), from the
// coefficients of the previous step.
class Design {
public:
    Design(std::span<const double> x, std::vector<int> orders) : m_x(x), m_orders(std::move(orders))
    {
        m_centre = (double(x.size()) - 1.0) / 2.0;
    }

    int LinearColumns() const { return 1 + 2 * int(m_orders.size()); }
    const std::vector<int> &Orders() const { return m_orders; }
    double Centre() const { return m_centre; }

    // Fills the row of a sample at centred time t, where the fundamental stands at e = exp(i w t).
    template <typename Row>
    void FillRow(Row &&row, double t, std::complex<double> e1, const Vector *previous) const
    {
        std::complex<double> e = e1;
        int order = 1, column = 1;
        double derivative = 0;
        row(0) = 1.0;
        for (int h : m_orders) {
            while (order < h) {
                e *= e1;
                ++order;
            }
            row(column) = e.real();
            row(column + 1) = e.imag();
            if (previous)
                derivative += h * t * (-(*previous)(column)*e.imag() + (*previous)(column + 1) * e.real());
            column += 2;
        }
        if (previous)
            row(column) = derivative / double(m_x.size());
    }

    // Calls row(i, t, e) for every sample, with e = exp(i w t) advanced by one rotation a sample
    // and taken afresh at the start of every block of rows.
    template <typename Each>
    void ForEachSample(double w, Each &&each) const
    {
        const std::complex<double> step(std::cos(w), std::sin(w));
        const size_t n = m_x.size();
        for (size_t start = 0; start < n; start += kRowsPerBlock) {
            const double t0 = double(start) - m_centre;
            std::complex<double> e(std::cos(w * t0), std::sin(w * t0));
            const size_t end = std::min<size_t>(start + kRowsPerBlock, n);
            for (size_t i = start; i < end; ++i, e *= step)
                each(i, double(i) - m_centre, e);
        }
    }

    // Normal equations A'A and A'x at the frequency w (with the derivative column when `previous`
    // is given), accumulated a block of rows at a time.
    void Normal(double w, const Vector *previous, Matrix &ata, Vector &atx) const
    {
        const int p = LinearColumns() + (previous ? 1 : 0);
        ata.setZero(p, p);
        atx.setZero(p);
        Matrix block(kRowsPerBlock, p);
        Vector y(kRowsPerBlock);
        int rows = 0;
        auto flush = [&] {
            auto used = block.topRows(rows);
            ata.selfadjointView<Eigen::Lower>().rankUpdate(used.transpose());
            atx.noalias() += used.transpose() * y.head(rows);
            rows = 0;
        };
        ForEachSample(w, [&](size_t i, double t, std::complex<double> e) {
            FillRow(block.row(rows), t, e, previous);
            y(rows++) = m_x[i];
            if (rows == kRowsPerBlock)
                flush();
        });
        if (rows > 0)
            flush();
        ata.triangularView<Eigen::StrictlyUpper>() = ata.transpose();
    }

    // Residual sum of squares of the model with coefficients c at w; `withHarmonics` false leaves
    // the harmonics in the residual.
    double Residual(double w, const Vector &c, bool withHarmonics) const
    {
        Vector row(LinearColumns());
        double sum = 0;
        ForEachSample(w, [&](size_t i, double t, std::complex<double> e) {
            FillRow(row, t, e, nullptr);
            double model = c(0) + c(1) * row(1) + c(2) * row(2);
            if (withHarmonics)
                for (int k = 3; k < LinearColumns(); ++k)
                    model += c(k) * row(k);
            const double r = m_x[i] - model;
            sum += r * r;
        });
        return sum;
    }

private:
    std::span<const double> m_x;
    std::vector<int> m_orders;
    double m_centre = 0;
};

// The linear least squares fit at a fixed frequency; false when the columns are dependent.
bool SolveLinear(const Design &design, double w, Vector &coefficients)
{
    Matrix ata;
    Vector atx;
    design.Normal(w, nullptr, ata, atx);
    const Eigen::LDLT<Matrix> ldlt(ata);
    if (ldlt.info() != Eigen::Success || !ldlt.isPositive())
        return false;
    coefficients = ldlt.solve(atx);
    return coefficients.allFinite();
}

} // namespace

double ToneDetectionFactor(int bins)
{
    return std::log(double(std::max(bins, 1))) + 14.0;
}

SineFitFigures FitSine(std::span<const double> codes, double initialCyclesPerSample, const SineFitOptions &options)
{
    SineFitFigures f;
    f.harmonicDbc.fill(kFloorDb);
    const int n = int(std::min<size_t>(codes.size(), size_t(1) << 26));
    codes = codes.first(size_t(n));
    if (n < kMinSamples) {
        f.reason = QStringLiteral("too few samples");
        return f;
    }
    if (std::any_of(codes.begin(), codes.end(), [](double v) { return !std::isfinite(v); }) ||
        !std::isfinite(initialCyclesPerSample)) {
        f.reason = QStringLiteral("no tone");
        return f;
    }
    double cycles = Folded(initialCyclesPerSample);
    // An estimate at the edge may still belong to a tone within the search's reach.
    cycles = std::clamp(cycles, kEdgeCycles / n, 0.5 - kEdgeCycles / n);

    // Refine the start on a grid of quarter bins around the estimate with the fundamental alone,
    // so that the Gauss-Newton steps start well inside their reach.
    {
        const Design fundamental(codes, {1});
        double xx = 0;
        for (double v : codes)
            xx += v * v;
        const double reach = std::clamp(options.searchBins, 1.0, 64.0);
        double best = cycles, bestResidual = INFINITY;
        for (double k = -reach; k <= reach + 1e-9; k += 0.25) {
            const double c = cycles + k / n;
            if (c * n < kEdgeCycles || (0.5 - c) * n < kEdgeCycles)
                continue;
            Matrix ata;
            Vector atx;
            fundamental.Normal(kTwoPi * c, nullptr, ata, atx);
            const Eigen::LDLT<Matrix> ldlt(ata);
            const Vector coefficients = ldlt.solve(atx);
            const double residual = xx - coefficients.dot(atx);
            if (ldlt.info() == Eigen::Success && std::isfinite(residual) && residual < bestResidual) {
                bestResidual = residual;
                best = c;
            }
        }
        cycles = best;
    }

    // Harmonics that fold onto DC, Nyquist, the fundamental or an earlier harmonic are left out.
    std::vector<int> orders{1};
    std::vector<double> folded{cycles};
    for (int h = 2; h <= kFittedHarmonics + 1; ++h) {
        const double fh = Folded(h * cycles);
        bool apart = fh * n >= kApartBins && (0.5 - fh) * n >= kApartBins;
        for (double g : folded)
            apart = apart && std::abs(fh - g) * n >= kApartBins;
        if (apart) {
            orders.push_back(h);
            folded.push_back(fh);
        }
    }
    const Design design(codes, orders);

    double w = kTwoPi * cycles;
    Vector coefficients;
    if (!SolveLinear(design, w, coefficients)) {
        f.reason = QStringLiteral("fit did not converge");
        return f;
    }
    // Each step solves for the linear coefficients and the frequency change together; the
    // coefficients of one step give the next step's derivative column.
    bool converged = false;
    for (int it = 0; it < kMaxIterations && !converged; ++it) {
        Matrix ata;
        Vector atx;
        design.Normal(w, &coefficients, ata, atx);
        const Eigen::LDLT<Matrix> ldlt(ata);
        const Vector step = ldlt.solve(atx);
        if (ldlt.info() != Eigen::Success || !step.allFinite())
            break;
        const double dw = step(step.size() - 1) / n;
        coefficients = step.head(design.LinearColumns());
        w += dw;
        ++f.iterations;
        converged = std::abs(dw) * n < 1e-9;
    }
    // The coefficients at the final frequency.
    if (converged && !SolveLinear(design, w, coefficients))
        converged = false;
    cycles = w / kTwoPi;
    if (!converged || !(cycles * n >= kEdgeCycles) || !((0.5 - cycles) * n >= kEdgeCycles)) {
        f.reason = QStringLiteral("fit did not converge");
        return f;
    }

    const int parameters = design.LinearColumns() + 1;
    const double noiseSse = design.Residual(w, coefficients, true);
    const double noisePower = noiseSse / std::max(n - parameters, 1);
    const double amplitude = std::hypot(coefficients(1), coefficients(2));
    const double signalPower = amplitude * amplitude / 2.0;
    double harmonicPower = 0;
    for (size_t k = 1; k < orders.size(); ++k) {
        const int column = 1 + 2 * int(k);
        const double a = std::hypot(coefficients(column), coefficients(column + 1));
        const size_t slot = size_t(orders[k] - 2);
        f.harmonicAmplitude[slot] = a;
        f.harmonicPhase[slot] =
            -orders[k] * w * design.Centre() - std::atan2(coefficients(column + 1), coefficients(column));
        f.harmonicDbc[slot] = 2.0 * Db(a / amplitude);
        harmonicPower += a * a / 2.0;
    }

    const double fullScale = std::ldexp(1.0, std::clamp(options.width, 2, 32) - 1);
    f.cyclesPerSample = cycles;
    f.toneHz = options.dataRateHz > 0 ? cycles * options.dataRateHz : cycles;
    f.amplitudeCodes = amplitude;
    f.amplitudeVolts = options.voltsPerCode > 0 ? amplitude * options.voltsPerCode : 0.0;
    f.toneDbfs = 2.0 * Db(amplitude / fullScale);
    f.phase = -w * design.Centre() - std::atan2(coefficients(2), coefficients(1));
    f.offsetCodes = coefficients(0);
    f.snrDb = Db(signalPower / noisePower);
    f.sinadDb = Db(signalPower / (noisePower + harmonicPower));
    f.thdDb = Db(harmonicPower / signalPower);
    f.enob = (f.sinadDb - 1.76) / 6.02;
    f.noiseRmsCodes = std::sqrt(noisePower);
    // The periodogram bin of the fitted tone against the mean noise bin.
    if (!(amplitude * amplitude * n / (4.0 * noisePower) >= ToneDetectionFactor(n / 2))) {
        f.reason = QStringLiteral("no tone");
        return f;
    }
    f.valid = true;
    return f;
}

} // namespace vek
