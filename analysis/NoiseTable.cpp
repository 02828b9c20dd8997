#include "analysis/NoiseTable.h"

#include "analysis/ResultJson.h"
#include "app/base/NumberText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cmath>
#include <limits>

namespace vek {

namespace {

struct FigureInfo {
    TableFigure figure;
    const char *name;
    const char *shortName;
    int decimals;
};

constexpr FigureInfo kFigures[] = {
    {TableFigure::RmsNv, "RMS noise (nV)", "rms", 1},   {TableFigure::VppNv, "Vp-p noise (nV)", "vpp", 1},
    {TableFigure::Enob, "ENOB (bits)", "enob", 2},      {TableFigure::NoiseFree, "Noise free (bits)", "nfree", 2},
    {TableFigure::Sigma, "Sigma (codes)", "sigma", 2},
};

const FigureInfo &Info(TableFigure figure)
{
    for (const FigureInfo &f : kFigures)
        if (f.figure == figure)
            return f;
    return kFigures[0];
}

QJsonValue Number(double v) { return std::isfinite(v) ? QJsonValue(v) : QJsonValue(QJsonValue::Null); }

QString NumberOrNan(double v, int decimals)
{
    return std::isfinite(v) ? FixedQText(v, decimals) : QStringLiteral("nan");
}

} // namespace

QString TableFigureName(TableFigure figure) { return QString::fromLatin1(Info(figure).name); }
QString TableFigureShortName(TableFigure figure) { return QString::fromLatin1(Info(figure).shortName); }

bool TableFigureFromText(const QString &text, TableFigure &figure)
{
    for (const FigureInfo &f : kFigures)
        if (text.trimmed().compare(QLatin1String(f.shortName), Qt::CaseInsensitive) == 0) {
            figure = f.figure;
            return true;
        }
    return false;
}

double PointFigure(const SweepPoint &p, TableFigure figure)
{
    if (!p.ok)
        return std::numeric_limits<double>::quiet_NaN();
    switch (figure) {
    case TableFigure::RmsNv:
        return p.results.rmsNv;
    case TableFigure::VppNv:
        return p.results.vppNv;
    case TableFigure::Enob:
        return p.results.enob;
    case TableFigure::NoiseFree:
        return p.results.noiseFree;
    case TableFigure::Sigma:
        return p.results.sigma;
    }
    return std::numeric_limits<double>::quiet_NaN();
}

NoiseTableLayout LayOutNoiseTable(const SweepOptions &options, const std::vector<SweepPoint> &points)
{
    NoiseTableLayout t;
    t.columns = options.gains;
    const std::vector<SweepPoint> plan = PlanSweep(options);
    for (const SweepPoint &p : plan) {
        const bool known = std::any_of(t.rows.begin(), t.rows.end(), [&](const NoiseTableLayout::Row &r) {
            return r.osr == p.osr && r.chopper == p.chopper;
        });
        if (known)
            continue;
        NoiseTableLayout::Row row{p.osr, p.chopper, QStringLiteral("OSR %1").arg(p.osr)};
        if (p.chopper >= 0)
            row.label += p.chopper ? QStringLiteral(" chopper off") : QStringLiteral(" chopper on");
        t.rows.push_back(row);
    }
    t.cell.assign(t.rows.size(), std::vector<int>(t.columns.size(), -1));
    for (size_t i = 0; i < points.size(); ++i) {
        const SweepPoint &p = points[i];
        for (size_t r = 0; r < t.rows.size(); ++r)
            for (size_t c = 0; c < t.columns.size(); ++c)
                if (t.rows[r].osr == p.osr && t.rows[r].chopper == p.chopper && t.columns[c].adgn == p.gain.adgn &&
                    t.columns[c].pga == p.gain.pga) {
                    t.cell[r][c] = int(i);
                    // The data rate the settings gave, once a point of the row has measured it.
                    if (p.rate.fromSettings && !t.rows[r].label.contains(QLatin1String("Hz")))
                        t.rows[r].label += QStringLiteral("  %1 Hz").arg(FixedQText(p.rate.hz, p.rate.hz < 100 ? 3 : 1));
                }
    }
    return t;
}

QString CellText(const NoiseTableLayout &layout, const std::vector<SweepPoint> &points, size_t row, size_t column,
                 TableFigure figure)
{
    if (row >= layout.cell.size() || column >= layout.cell[row].size() || layout.cell[row][column] < 0)
        return QString();
    const SweepPoint &p = points[size_t(layout.cell[row][column])];
    return p.ok ? FixedQText(PointFigure(p, figure), Info(figure).decimals) : QStringLiteral("failed");
}

QString NoiseTableText(const SweepOptions &options, const std::vector<SweepPoint> &points, TableFigure figure)
{
    const NoiseTableLayout t = LayOutNoiseTable(options, points);
    std::vector<QStringList> lines;
    QStringList header{TableFigureName(figure)};
    for (const SweepGain &g : t.columns)
        header << g.Label();
    lines.push_back(header);
    for (size_t r = 0; r < t.rows.size(); ++r) {
        QStringList line{t.rows[r].label};
        for (size_t c = 0; c < t.columns.size(); ++c) {
            const QString text = CellText(t, points, r, c, figure);
            line << (text.isEmpty() ? QStringLiteral("-") : text);
        }
        lines.push_back(line);
    }
    std::vector<qsizetype> widths(header.size(), 0);
    for (const QStringList &l : lines)
        for (qsizetype k = 0; k < l.size(); ++k)
            widths[size_t(k)] = std::max(widths[size_t(k)], l[k].size());
    QString out;
    for (const QStringList &l : lines) {
        for (qsizetype k = 0; k < l.size(); ++k)
            out += k == 0 ? l[k].leftJustified(widths[0]) : QStringLiteral("  ") + l[k].rightJustified(widths[size_t(k)]);
        out += QLatin1Char('\n');
    }
    return out;
}

QByteArray NoiseTableCsv(const std::vector<SweepPoint> &points)
{
    QByteArray csv = "osr,chopper,rate_hz,rate_from_settings,gain,adgn,pga,ok,mean,sigma,vpp_count,rms_nv,vpp_nv,"
                     "enob,noise_free,settle_ms,elapsed_ms,error\r\n";
    for (const SweepPoint &p : points) {
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const AnalysisResults &r = p.results;
        QStringList f{QString::number(p.osr),
                      p.chopper < 0 ? QString() : QString::number(p.chopper),
                      NumberOrNan(p.rate.fromSettings ? p.rate.hz : nan, 6),
                      p.rate.fromSettings ? QStringLiteral("1") : QStringLiteral("0"),
                      NumberOrNan(p.gain.Gain(), 6),
                      QString::number(p.gain.adgn),
                      QString::number(p.gain.pga),
                      p.ok ? QStringLiteral("1") : QStringLiteral("0")};
        for (double v : {r.mean, r.sigma, r.vppCount, r.rmsNv, r.vppNv, r.enob, r.noiseFree})
            f << NumberOrNan(p.ok ? v : nan, 6);
        f << NumberOrNan(p.settleMs, 3) << NumberOrNan(p.elapsedMs, 3);
        QString error = p.error;
        error.replace(QLatin1Char('"'), QStringLiteral("\"\""));
        f << (error.isEmpty() ? QString() : QStringLiteral("\"%1\"").arg(error));
        csv += f.join(QLatin1Char(',')).toUtf8() + "\r\n";
    }
    return csv;
}

MeasurementRecord SweepPointRecord(const SweepPoint &p, const SweepOptions &options)
{
    MeasurementRecord r;
    r.kind = QStringLiteral("noise-table");
    r.registers = QJsonObject{{QStringLiteral("OSR0"), p.osr},
                              {QStringLiteral("AD0GN"), p.gain.adgn},
                              {QStringLiteral("PGA0GN"), p.gain.pga},
                              {QStringLiteral("IN0IS"), options.shortInput ? 1 : 0}};
    if (p.chopper >= 0)
        r.registers.insert(QStringLiteral("ENCHP0"), p.chopper);
    r.samples = options.samples;
    r.dataRateHz = p.rate.hz;
    r.ok = p.ok;
    r.failure = p.error;
    if (p.ok)
        r.figures = FiguresJson(p.results);
    return r;
}

QByteArray NoiseTableJson(const SweepOptions &options, const SweepRun &run, const QString &chip)
{
    QJsonArray osr, gains, chopper, points;
    for (int c : options.osrCodes)
        osr.append(c);
    for (const SweepGain &g : options.gains)
        gains.append(g.Gain());
    for (int c : options.chopper)
        chopper.append(c);
    for (const SweepPoint &p : run.points) {
        QJsonObject o{
            {QStringLiteral("osr"), p.osr},
            {QStringLiteral("gain"), p.gain.Gain()},
            {QStringLiteral("adgn"), p.gain.adgn},
            {QStringLiteral("pga"), p.gain.pga},
            {QStringLiteral("ok"), p.ok},
            {QStringLiteral("dataRateHz"), Number(p.rate.fromSettings ? p.rate.hz : std::nan(""))},
            {QStringLiteral("settleMs"), Number(p.settleMs)},
            {QStringLiteral("elapsedMs"), Number(p.elapsedMs)},
        };
        if (p.chopper >= 0)
            o.insert(QStringLiteral("chopper"), p.chopper);
        if (p.ok) {
            const AnalysisResults &r = p.results;
            o.insert(QStringLiteral("figures"), QJsonObject{{QStringLiteral("average"), Number(r.mean)},
                                                          {QStringLiteral("sigma"), Number(r.sigma)},
                                                          {QStringLiteral("vppCount"), Number(r.vppCount)},
                                                          {QStringLiteral("rmsNoiseNv"), Number(r.rmsNv)},
                                                          {QStringLiteral("vppNoiseNv"), Number(r.vppNv)},
                                                          {QStringLiteral("enob"), Number(r.enob)},
                                                          {QStringLiteral("noiseFree"), Number(r.noiseFree)}});
        } else {
            o.insert(QStringLiteral("error"), p.error);
        }
        points.append(o);
    }
    QJsonObject root{
        {QStringLiteral("chip"), chip},
        {QStringLiteral("samples"), options.samples},
        {QStringLiteral("width"), options.width},
        {QStringLiteral("reference"), options.refVoltText},
        {QStringLiteral("shortInput"), options.shortInput},
        {QStringLiteral("osrCodes"), osr},
        {QStringLiteral("gains"), gains},
        {QStringLiteral("chopper"), chopper},
        {QStringLiteral("settlingConversions"), kSettlingConversions},
        {QStringLiteral("finished"), !run.stopped && run.points.size() == PlanSweep(options).size()},
        {QStringLiteral("registersRestored"), run.restored},
        {QStringLiteral("points"), points},
    };
    if (!run.error.isEmpty())
        root.insert(QStringLiteral("error"), run.error);
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

} // namespace vek
