#include "history/ResultsStore.h"

#include <QAtomicInt>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

namespace vek {

namespace {

QString Compact(const QJsonObject &o) { return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact)); }

QJsonObject ObjectFrom(const QString &text) { return QJsonDocument::fromJson(text.toUtf8()).object(); }

QString Why(const QSqlQuery &q) { return q.lastError().text(); }

QString CsvField(QString text)
{
    if (text.contains(QLatin1Char(',')) || text.contains(QLatin1Char('"')) || text.contains(QLatin1Char('\n'))) {
        text.replace(QLatin1Char('"'), QStringLiteral("\"\""));
        return QLatin1Char('"') + text + QLatin1Char('"');
    }
    return text;
}

} // namespace

QString ResultsStore::DefaultPath(const QString &programDir) { return programDir + QStringLiteral("VekHistory.db"); }

ResultsStore::ResultsStore(QString connection) : m_connection(std::move(connection)) {}

ResultsStore::~ResultsStore()
{
    {
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        if (db.isOpen())
            db.close();
    }
    QSqlDatabase::removeDatabase(m_connection);
}

std::unique_ptr<ResultsStore> ResultsStore::OpenSqlite(const QString &path, QString &error)
{
    static QAtomicInt serial;
    const QString name = QStringLiteral("vek-history-%1").arg(serial.fetchAndAddRelaxed(1));
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE"))) {
        error = QStringLiteral("the SQLite driver of Qt SQL is not installed (libqt6sql6-sqlite)");
        return nullptr;
    }
    std::unique_ptr<ResultsStore> store(new ResultsStore(name));
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(path);
    // Another program on the bench may be writing: wait for it rather than fail.
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!db.open()) {
        error = QStringLiteral("cannot open %1: %2").arg(path, db.lastError().text());
        return nullptr;
    }
    QSqlQuery q(db);
    // Write-ahead logging: readers and a writer at once, and a torn write never reaches the file.
    if (!q.exec(QStringLiteral("PRAGMA journal_mode=WAL")) || !q.exec(QStringLiteral("PRAGMA synchronous=NORMAL"))) {
        error = QStringLiteral("%1 is not a database this program can use: %2").arg(path, Why(q));
        return nullptr;
    }
    if (!store->Migrate(error)) {
        error = QStringLiteral("%1: %2").arg(path, error);
        return nullptr;
    }
    return store;
}

bool ResultsStore::Migrate(QString &error)
{
    QSqlDatabase db = QSqlDatabase::database(m_connection);
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS meta (key TEXT PRIMARY KEY, value TEXT NOT NULL)"))) {
        error = Why(q);
        return false;
    }
    int version = 0;
    if (q.exec(QStringLiteral("SELECT value FROM meta WHERE key = 'schema_version'")) && q.next())
        version = q.value(0).toInt();
    if (version > kSchemaVersion) {
        error = QStringLiteral("written by a newer program (schema %1)").arg(version);
        return false;
    }
    if (version == kSchemaVersion)
        return true;
    // From nothing to version 1, in one transaction.
    if (!db.transaction()) {
        error = db.lastError().text();
        return false;
    }
    const QStringList steps = {
        QStringLiteral("CREATE TABLE records (id INTEGER PRIMARY KEY AUTOINCREMENT, time TEXT NOT NULL, "
                       "version TEXT, kind TEXT NOT NULL, chip TEXT, board TEXT, interface TEXT, route TEXT, "
                       "registers TEXT, samples INTEGER, data_rate REAL, ok INTEGER NOT NULL, failure TEXT, "
                       "figures TEXT, file TEXT)"),
        QStringLiteral("CREATE INDEX records_chip ON records (chip, time)"),
        QStringLiteral("CREATE INDEX records_board ON records (board, time)"),
        QStringLiteral("INSERT OR REPLACE INTO meta (key, value) VALUES ('schema_version', '1')"),
    };
    for (const QString &step : steps)
        if (!q.exec(step)) {
            error = Why(q);
            db.rollback();
            return false;
        }
    if (!db.commit()) {
        error = db.lastError().text();
        return false;
    }
    return true;
}

std::optional<qint64> ResultsStore::Record(const MeasurementRecord &r, QString &error)
{
    QSqlDatabase db = QSqlDatabase::database(m_connection);
    QSqlQuery q(db);
    q.prepare(QStringLiteral("INSERT INTO records (time, version, kind, chip, board, interface, route, registers, "
                             "samples, data_rate, ok, failure, figures, file) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
                             "?, ?, ?)"));
    const QDateTime time = r.time.isValid() ? r.time.toUTC() : QDateTime::currentDateTimeUtc();
    for (const QVariant &v :
         {QVariant(time.toString(Qt::ISODateWithMs)), QVariant(r.programVersion), QVariant(r.kind), QVariant(r.chip),
          QVariant(r.board), QVariant(r.interfaceName), QVariant(r.route), QVariant(Compact(r.registers)),
          QVariant(r.samples), QVariant(r.dataRateHz), QVariant(r.ok ? 1 : 0), QVariant(r.failure),
          QVariant(Compact(r.figures)), QVariant(r.file)})
        q.addBindValue(v);
    // One statement is one transaction: the record is there whole or not at all.
    if (!q.exec()) {
        error = Why(q);
        return std::nullopt;
    }
    return q.lastInsertId().toLongLong();
}

std::vector<MeasurementRecord> ResultsStore::List(const HistoryFilter &filter, QString &error) const
{
    QStringList where;
    QVariantList values;
    auto match = [&](const char *column, const QString &value) {
        if (value.isEmpty())
            return;
        where << QStringLiteral("%1 = ?").arg(QLatin1String(column));
        values << value;
    };
    match("chip", filter.chip);
    match("board", filter.board);
    match("kind", filter.kind);
    if (filter.since.isValid()) {
        where << QStringLiteral("time >= ?");
        values << filter.since.toUTC().toString(Qt::ISODateWithMs);
    }
    QString sql = QStringLiteral("SELECT id, time, version, kind, chip, board, interface, route, registers, samples, "
                                 "data_rate, ok, failure, figures, file FROM records");
    if (!where.isEmpty())
        sql += QStringLiteral(" WHERE ") + where.join(QStringLiteral(" AND "));
    sql += QStringLiteral(" ORDER BY id");
    if (filter.limit > 0)
        sql += QStringLiteral(" LIMIT %1").arg(filter.limit);
    QSqlQuery q(QSqlDatabase::database(m_connection));
    q.setForwardOnly(true);
    q.prepare(sql);
    for (const QVariant &v : values)
        q.addBindValue(v);
    std::vector<MeasurementRecord> out;
    if (!q.exec()) {
        error = Why(q);
        return out;
    }
    while (q.next()) {
        MeasurementRecord r;
        r.id = q.value(0).toLongLong();
        r.time = QDateTime::fromString(q.value(1).toString(), Qt::ISODateWithMs);
        r.programVersion = q.value(2).toString();
        r.kind = q.value(3).toString();
        r.chip = q.value(4).toString();
        r.board = q.value(5).toString();
        r.interfaceName = q.value(6).toString();
        r.route = q.value(7).toString();
        r.registers = ObjectFrom(q.value(8).toString());
        r.samples = q.value(9).toLongLong();
        r.dataRateHz = q.value(10).toDouble();
        r.ok = q.value(11).toInt() != 0;
        r.failure = q.value(12).toString();
        r.figures = ObjectFrom(q.value(13).toString());
        r.file = q.value(14).toString();
        out.push_back(std::move(r));
    }
    return out;
}

QByteArray HistoryJson(const std::vector<MeasurementRecord> &records)
{
    QJsonArray all;
    for (const MeasurementRecord &r : records) {
        QJsonObject o{{QStringLiteral("id"), r.id},
                      {QStringLiteral("time"), r.time.toString(Qt::ISODateWithMs)},
                      {QStringLiteral("version"), r.programVersion},
                      {QStringLiteral("kind"), r.kind},
                      {QStringLiteral("chip"), r.chip},
                      {QStringLiteral("board"), r.board},
                      {QStringLiteral("interface"), r.interfaceName},
                      {QStringLiteral("route"), r.route},
                      {QStringLiteral("registers"), r.registers},
                      {QStringLiteral("samples"), r.samples},
                      {QStringLiteral("dataRateHz"), r.dataRateHz},
                      {QStringLiteral("ok"), r.ok},
                      {QStringLiteral("figures"), r.figures},
                      {QStringLiteral("file"), r.file}};
        if (!r.ok)
            o.insert(QStringLiteral("failure"), r.failure);
        all.append(o);
    }
    return QJsonDocument(all).toJson(QJsonDocument::Indented);
}

QByteArray HistoryCsv(const std::vector<MeasurementRecord> &records)
{
    QByteArray csv = "id,time,version,kind,chip,board,interface,route,samples,data_rate_hz,ok,failure,registers,"
                     "figures,file\r\n";
    for (const MeasurementRecord &r : records) {
        const QStringList f{QString::number(r.id), r.time.toString(Qt::ISODateWithMs), CsvField(r.programVersion),
                            CsvField(r.kind), CsvField(r.chip), CsvField(r.board), CsvField(r.interfaceName),
                            CsvField(r.route), QString::number(r.samples), QString::number(r.dataRateHz, 'g', 12),
                            r.ok ? QStringLiteral("1") : QStringLiteral("0"), CsvField(r.failure),
                            CsvField(Compact(r.registers)), CsvField(Compact(r.figures)), CsvField(r.file)};
        csv += f.join(QLatin1Char(',')).toUtf8() + "\r\n";
    }
    return csv;
}

} // namespace vek
