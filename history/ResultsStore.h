#pragma once
// Every measurement kept for later comparison: one record a measurement in a database (SQLite
// through Qt SQL by default, one file in the program directory; or the same schema on a lab's
// PostgreSQL server), with what it depends on and its figures, or as failed with its reason. A
// record is written whole or not at all; the database never stops a measurement: a write that
// fails is said by the caller and the work goes on.
#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <QUrl>
#include <memory>
#include <optional>
#include <vector>

namespace vek {

struct MeasurementRecord {
    qint64 id = 0;           // given by the store
    QDateTime time;          // UTC; now when not set
    QString programVersion;
    QString kind;            // "enob", "noise-table", "long-run", "temperature-step", "switch-run"
    QString chip;
    QString board;           // "board 3.1 #2", "COM3", "LPT 378", "simulated"
    QString interfaceName;   // "SPI", "Special", "UART", "Parallel", "RS232"
    QString route;           // "optocoupler", "direct" or empty
    QJsonObject registers;   // the settings the capture depends on (OSR0, AD0GN, ... by name)
    qint64 samples = 0;
    double dataRateHz = 0;
    bool ok = false;
    QString failure;         // why it measured nothing
    QJsonObject figures;     // the specified figures and whatever else the kind has
    QString file;            // a result or codes file written with it
    QString key;             // unique across databases (a UUID); given by the store when empty
};

struct HistoryFilter {
    QString chip, board, kind;
    QDateTime since; // invalid: no limit
    int limit = 0;   // 0: every record
};

class ResultsStore {
public:
    // The schema this program writes; an older database is brought up to it when opened.
    static constexpr int kSchemaVersion = 2;
    // "VekHistory.db" in the program directory.
    static QString DefaultPath(const QString &programDir);
    // "VekHistory.cfg" in the program directory: one line, the URL of the lab's server.
    static QString ServerSettingPath(const QString &programDir);

    // Whether the text names a server (it has a scheme, "postgresql://...") rather than a file.
    static bool IsServerUrl(const QString &text);
    // The server URL: postgresql:// or postgres://, a host or a socket folder (?host=/run/..),
    // a database name; nothing and why not otherwise.
    static std::optional<QUrl> ServerUrl(const QString &text, QString &error);
    // The URL or path as it may be shown: never with its password.
    static QString Shown(const QString &urlOrPath);

    // Opens (or creates) the SQLite database at path with write-ahead logging; nothing and the
    // reason when it cannot be opened or is damaged.
    static std::unique_ptr<ResultsStore> OpenSqlite(const QString &path, QString &error);
    // Connects to the PostgreSQL server (5 s at most unless the URL says connect_timeout) and
    // brings its schema up to this program's.
    static std::unique_ptr<ResultsStore> OpenPostgres(const QUrl &url, QString &error);
    // A server URL or a database file.
    static std::unique_ptr<ResultsStore> Open(const QString &urlOrPath, QString &error);
    ~ResultsStore();
    ResultsStore(const ResultsStore &) = delete;
    ResultsStore &operator=(const ResultsStore &) = delete;

    // Writes the record in one transaction; its id, or nothing and the reason. A record whose key
    // is already there is not written again: its id is given. `unsent`: kept here until it reaches
    // the server (SendUnsent).
    std::optional<qint64> Record(const MeasurementRecord &record, QString &error, bool unsent = false);
    // Sends every record kept as unsent to the server, oldest first, and marks each as sent once
    // the server has it; how many were sent, or nothing and the reason (those sent stay sent). A
    // record the server already has (sent before a crash) is not written twice.
    std::optional<int> SendUnsent(ResultsStore &server, QString &error);
    // How many records wait for the server.
    int UnsentCount() const;
    // The records the filter lets through, oldest first.
    std::vector<MeasurementRecord> List(const HistoryFilter &filter, QString &error) const;

private:
    ResultsStore(QString connection, bool sqlite);
    bool Migrate(QString &error);

    QString m_connection;
    bool m_sqlite;
};

// The records as one JSON array, or as CSV with a header line (figures as JSON text).
QByteArray HistoryJson(const std::vector<MeasurementRecord> &records);
QByteArray HistoryCsv(const std::vector<MeasurementRecord> &records);

} // namespace vek
