#include "history/ui/HistoryWindow.h"

#include "app/base/NumberText.h"
#include "app/base/SafeFile.h"
#include "app/context/AppContext.h"
#include "history/HistoryRouting.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSet>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>
#include <cmath>
#include <qcustomplot.h>

namespace vek {

namespace {

struct FigureColumn {
    const char *key;
    const char *caption;
    int decimals;
};
constexpr FigureColumn kFigures[] = {
    {"enob", "ENOB (bits)", 3},          {"rmsNoiseNv", "RMS noise (nV)", 1}, {"vppNoiseNv", "Vp-p noise (nV)", 1},
    {"sigma", "Sigma (codes)", 3},       {"noiseFree", "Noise free (bits)", 3},
};
const QString kAll = QStringLiteral("All");

} // namespace

HistoryWindow::HistoryWindow(AppContext &ctx, QWidget *parent)
    : PanelWindow(QStringLiteral("History"), QStringLiteral("History"), QRect(40, 40, 840, 600), parent), m_ctx(ctx)
{
    BuildControls();
}

HistoryWindow::~HistoryWindow() = default;

void HistoryWindow::BuildControls()
{
    auto *v = new QVBoxLayout(this);
    auto *row = new QHBoxLayout;
    v->addLayout(row);
    auto combo = [this, &row](const QString &caption, const char *name, const QStringList &items) {
        auto *l = new QLabel(caption, this);
        auto *c = new QComboBox(this);
        c->setObjectName(QString::fromLatin1(name));
        c->setAccessibleName(caption);
        c->addItems(items);
        l->setBuddy(c);
        row->addWidget(l);
        row->addWidget(c);
        return c;
    };
    m_chip = combo(QStringLiteral("Chip"), "HistoryChip", {kAll});
    m_board = combo(QStringLiteral("Board"), "HistoryBoard", {kAll});
    m_kind = combo(QStringLiteral("Kind"), "HistoryKind",
                   {kAll, QStringLiteral("enob"), QStringLiteral("noise-table"), QStringLiteral("long-run")});
    m_useSince = new QCheckBox(QStringLiteral("Since"), this);
    m_useSince->setObjectName(QStringLiteral("HistoryUseSince"));
    m_useSince->setAccessibleName(m_useSince->text());
    m_since = new QDateEdit(QDate::currentDate().addDays(-30), this);
    m_since->setObjectName(QStringLiteral("HistorySince"));
    m_since->setAccessibleName(QStringLiteral("Since"));
    m_since->setCalendarPopup(true);
    m_since->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    row->addWidget(m_useSince);
    row->addWidget(m_since);
    for (auto [button, caption, slot] : {std::tuple{&m_refresh, "Refresh", &HistoryWindow::RefreshClick},
                                         std::tuple{&m_saveCsv, "Save CSV", &HistoryWindow::SaveCsvClick},
                                         std::tuple{&m_saveJson, "Save JSON", &HistoryWindow::SaveJsonClick}}) {
        *button = new QPushButton(QString::fromLatin1(caption), this);
        (*button)->setObjectName(QStringLiteral("History") + QString::fromLatin1(caption).remove(QLatin1Char(' ')));
        (*button)->setAccessibleName(QString::fromLatin1(caption));
        connect(*button, &QPushButton::clicked, this, slot);
        row->addWidget(*button);
    }
    row->addStretch(1);

    auto *plotRow = new QHBoxLayout;
    v->addLayout(plotRow);
    QStringList figures;
    for (const FigureColumn &f : kFigures)
        figures << QString::fromLatin1(f.caption);
    row = plotRow;
    m_figure = combo(QStringLiteral("Plot"), "HistoryFigure", figures);
    m_axis = combo(QStringLiteral("against"), "HistoryAxis",
                   {QStringLiteral("Record"), QStringLiteral("Time"), QStringLiteral("Temperature step")});
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("HistoryStatus"));
    plotRow->addWidget(m_status, 1);
    for (QComboBox *c : {m_figure, m_axis})
        connect(c, &QComboBox::activated, this, [this] { Redraw(); });

    auto *split = new QSplitter(Qt::Vertical, this);
    v->addWidget(split, 1);
    m_table = new QTableWidget(split);
    m_table->setObjectName(QStringLiteral("HistoryTable"));
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_plot = new QCustomPlot(split);
    m_plot->setObjectName(QStringLiteral("HistoryPlot"));
    m_plot->setMinimumHeight(180);
    m_plot->addGraph()->setPen(QPen(QColor(30, 90, 170), 1.5));
    m_plot->graph(0)->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssCircle, 5));
}

void HistoryWindow::showEvent(QShowEvent *event)
{
    PanelWindow::showEvent(event);
    RefreshClick();
}

HistoryFilter HistoryWindow::CurrentFilter() const
{
    HistoryFilter f;
    auto chosen = [](const QComboBox *c) { return c->currentText() == kAll ? QString() : c->currentText(); };
    f.chip = chosen(m_chip);
    f.board = chosen(m_board);
    f.kind = chosen(m_kind);
    if (m_useSince->isChecked())
        f.since = QDateTime(m_since->date(), QTime(0, 0));
    return f;
}

void HistoryWindow::RefreshClick()
{
    QString error;
    // The lab's server when VekHistory.cfg names one, else the local file.
    QString said;
    const std::unique_ptr<ResultsStore> store = OpenHistoryForReading(
        m_ctx.programDir, QString(), error, [&said](const QString &text) { said = text; });
    m_records.clear();
    if (store) {
        // The lists offer what the history holds.
        const std::vector<MeasurementRecord> all = store->List(HistoryFilter{}, error);
        for (auto [box, field] : {std::pair{m_chip, &MeasurementRecord::chip}, std::pair{m_board, &MeasurementRecord::board}}) {
            const QString keep = box->currentText();
            QSet<QString> seen;
            QStringList items{kAll};
            for (const MeasurementRecord &r : all)
                if (!(r.*field).isEmpty() && !seen.contains(r.*field)) {
                    seen.insert(r.*field);
                    items << r.*field;
                }
            box->clear();
            box->addItems(items);
            box->setCurrentIndex(std::max(0, box->findText(keep)));
        }
        m_records = store->List(CurrentFilter(), error);
    }
    m_status->setText(!error.isEmpty() ? QStringLiteral("Results history: %1").arg(error)
                      : said.isEmpty() ? QStringLiteral("%1 records").arg(m_records.size())
                                       : QStringLiteral("%1 records (%2)").arg(m_records.size()).arg(said));
    const QStringList headers{QStringLiteral("Id"),    QStringLiteral("Time (UTC)"), QStringLiteral("Kind"),
                              QStringLiteral("Chip"),  QStringLiteral("Board"),      QStringLiteral("Samples"),
                              QStringLiteral("ENOB"),  QStringLiteral("RMS noise nV"), QStringLiteral("Settings"),
                              QStringLiteral("Outcome")};
    m_table->setColumnCount(int(headers.size()));
    m_table->setHorizontalHeaderLabels(headers);
    m_table->setRowCount(int(m_records.size()));
    for (int row = 0; row < int(m_records.size()); ++row) {
        const MeasurementRecord &r = m_records[size_t(row)];
        auto figure = [&r](const char *key, int decimals) {
            const QJsonValue v = r.figures.value(QLatin1String(key));
            return v.isDouble() ? FixedQText(v.toDouble(), decimals) : QString();
        };
        QStringList settings;
        for (auto it = r.registers.begin(); it != r.registers.end(); ++it)
            settings << QStringLiteral("%1=%2").arg(it.key()).arg(it.value().toInt());
        const QStringList cells{QString::number(r.id), r.time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), r.kind,
                                r.chip, r.board, QString::number(r.samples), figure("enob", 3),
                                figure("rmsNoiseNv", 1), settings.join(QLatin1Char(' ')),
                                r.ok ? QStringLiteral("measured") : QStringLiteral("failed: ") + r.failure};
        for (int c = 0; c < int(cells.size()); ++c)
            m_table->setItem(row, c, new QTableWidgetItem(cells[c]));
    }
    m_table->resizeColumnsToContents();
    Redraw();
}

void HistoryWindow::Redraw()
{
    const FigureColumn &f = kFigures[std::clamp(m_figure->currentIndex(), 0, int(std::size(kFigures)) - 1)];
    const bool byTime = m_axis->currentIndex() == 1, byStep = m_axis->currentIndex() == 2;
    QVector<double> x, y;
    for (const MeasurementRecord &r : m_records) {
        const QJsonValue v = r.figures.value(QLatin1String(f.key));
        const QJsonValue step = r.registers.value(QStringLiteral("step"));
        if (!r.ok || !v.isDouble() || (byStep && !step.isDouble()))
            continue; // a failed record has no figure to plot; only temperature steps have a step
        x.append(byTime ? double(r.time.toSecsSinceEpoch()) : byStep ? step.toDouble() : double(r.id));
        y.append(v.toDouble());
    }
    m_plot->graph(0)->setData(x, y, true);
    if (byTime) {
        auto ticker = QSharedPointer<QCPAxisTickerDateTime>(new QCPAxisTickerDateTime);
        ticker->setDateTimeFormat(QStringLiteral("yyyy-MM-dd\nHH:mm"));
        ticker->setDateTimeSpec(Qt::UTC);
        m_plot->xAxis->setTicker(ticker);
    } else {
        m_plot->xAxis->setTicker(QSharedPointer<QCPAxisTicker>(new QCPAxisTicker));
    }
    m_plot->xAxis->setLabel(byTime   ? QStringLiteral("Time (UTC)")
                            : byStep ? QStringLiteral("Temperature step")
                                     : QStringLiteral("Record"));
    m_plot->yAxis->setLabel(QString::fromLatin1(f.caption));
    m_plot->rescaleAxes();
    m_plot->replot(QCustomPlot::rpQueuedReplot);
}

void HistoryWindow::SaveCsvClick()
{
    const std::optional<QString> path = m_ctx.dialogs.SaveFile(
        this, QStringLiteral("Save CSV"), m_ctx.ProgramFile(QStringLiteral("VekHistory.csv")), QStringLiteral("*.csv (*.csv)"));
    QString why;
    if (path && !path->isEmpty() && !WriteFileAtomically(*path, HistoryCsv(m_records), &why))
        m_ctx.dialogs.Message(this, QStringLiteral("Error"), QStringLiteral("Cannot write %1: %2").arg(*path, why),
                              MsgButtons::Ok, MsgIcon::Error);
}

void HistoryWindow::SaveJsonClick()
{
    const std::optional<QString> path = m_ctx.dialogs.SaveFile(
        this, QStringLiteral("Save JSON"), m_ctx.ProgramFile(QStringLiteral("VekHistory.json")), QStringLiteral("*.json (*.json)"));
    QString why;
    if (path && !path->isEmpty() && !WriteFileAtomically(*path, HistoryJson(m_records), &why))
        m_ctx.dialogs.Message(this, QStringLiteral("Error"), QStringLiteral("Cannot write %1: %2").arg(*path, why),
                              MsgButtons::Ok, MsgIcon::Error);
}

} // namespace vek
