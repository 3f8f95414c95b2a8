#include "progress/history.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QVariant>

#include <atomic>

namespace {

// SQLite's primary result codes, as the driver reports them.
constexpr int sqliteBusy = 5;
constexpr int sqliteLocked = 6;
constexpr int sqliteCorrupt = 11;
constexpr int sqliteNotADatabase = 26;

// How long a write waits for another program that holds the file before history gives up:
// the child is waiting for the next word meanwhile.
constexpr char connectOptions[] = "QSQLITE_BUSY_TIMEOUT=500";

const QString afterwards = QStringLiteral("这次的练习照常进行，只是不会记下来。");

QString connectionName()
{
    static std::atomic<int> count = 0;
    return QStringLiteral("mivora-history-%1").arg(++count);
}

} // namespace

History::History(QByteArray book, QString file, Report report)
    : m_book(std::move(book))
    , m_file(std::move(file))
    , m_report(std::move(report))
    , m_connection(connectionName())
{}

History::~History()
{
    if (QSqlDatabase::contains(m_connection)) {
        QSqlDatabase::database(m_connection, false).close();
        QSqlDatabase::removeDatabase(m_connection);
    }
}

QString History::defaultFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
           QStringLiteral("/history.sqlite");
}

bool History::isAvailable()
{
    if (m_state == State::Closed)
        open();
    return m_state == State::Open;
}

bool History::open()
{
    if (!QDir().mkpath(QFileInfo(m_file).absolutePath()))
        return fail(QStringLiteral("文件夹建不了"));
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    if (!db.isValid())
        return fail(QStringLiteral("缺少 Qt 的 SQLite 驱动"));
    db.setDatabaseName(m_file);
    db.setConnectOptions(QString::fromLatin1(connectOptions));
    if (!db.open())
        return fail(db.lastError());
    m_state = State::Open;

    // The first read tells a file of garbage or one held by another program.
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next())
        return fail(query.lastError());
    const int version = query.value(0).toInt();
    if (version > schemaVersion) {
        return fail(QStringLiteral("它是更新版本的 Mivora 写的，这个版本不改动它"));
    }
    // The log lets a kill find the file as the last commit left it, and costs no flush to
    // disk per answer; a power cut may lose the last answers, never the file.
    if (!query.exec(QStringLiteral("PRAGMA journal_mode=WAL")) ||
        !query.exec(QStringLiteral("PRAGMA synchronous=NORMAL")))
        return fail(query.lastError());
    return version == schemaVersion || createSchema();
}

bool History::createSchema()
{
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (!db.transaction())
        return fail(db.lastError());
    QSqlQuery query(db);
    // Times are milliseconds since the epoch, UTC.
    for (const QString &statement : {
             QStringLiteral("CREATE TABLE pass ("
                            " id INTEGER PRIMARY KEY,"
                            " book TEXT NOT NULL,"
                            " unit INTEGER NOT NULL,"
                            " started INTEGER NOT NULL,"
                            " words INTEGER NOT NULL,"
                            " whole_unit INTEGER NOT NULL,"
                            " finished INTEGER)"),
             QStringLiteral("CREATE INDEX pass_by_unit ON pass (book, unit, started)"),
             QStringLiteral("CREATE TABLE answer ("
                            " pass INTEGER NOT NULL REFERENCES pass (id),"
                            " position INTEGER NOT NULL,"
                            " english TEXT NOT NULL,"
                            " typed TEXT NOT NULL,"
                            " right INTEGER NOT NULL,"
                            " PRIMARY KEY (pass, position))"),
             QStringLiteral("PRAGMA user_version = %1").arg(schemaVersion),
         }) {
        if (!query.exec(statement)) {
            const QSqlError error = query.lastError();
            db.rollback();
            return fail(error);
        }
    }
    return db.commit() || fail(db.lastError());
}

bool History::fail(const QSqlError &error)
{
    const int code = error.nativeErrorCode().toInt() & 0xff;
    if (code == sqliteCorrupt || code == sqliteNotADatabase)
        return fail(QStringLiteral("文件坏了。把它移走或删掉，下次就会重新开始记录"));
    if (code == sqliteBusy || code == sqliteLocked)
        return fail(QStringLiteral("文件正被别的程序占用"));
    return fail(error.text());
}

bool History::fail(const QString &why)
{
    // Told once: after this nothing touches the file again in this run.
    if (m_state == State::Failed)
        return false;
    m_state = State::Failed;
    if (QSqlDatabase::contains(m_connection))
        QSqlDatabase::database(m_connection, false).close();
    if (m_report) {
        m_report(QStringLiteral("学习记录用不了：%1。\n文件：%2\n%3")
                     .arg(why, QDir::toNativeSeparators(m_file), afterwards));
    }
    return false;
}

bool History::exec(QSqlQuery &query)
{
    return query.exec() || fail(query.lastError());
}

qint64 History::beginPass(int unit, int words, bool wholeUnit)
{
    if (!isAvailable())
        return -1;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(QStringLiteral("INSERT INTO pass (book, unit, started, words, whole_unit)"
                                 " VALUES (?, ?, ?, ?, ?)"));
    query.addBindValue(QString::fromLatin1(m_book));
    query.addBindValue(unit);
    query.addBindValue(QDateTime::currentMSecsSinceEpoch());
    query.addBindValue(words);
    query.addBindValue(wholeUnit ? 1 : 0);
    if (!exec(query))
        return -1;
    return query.lastInsertId().toLongLong();
}

void History::recordAnswer(qint64 pass, int position, const QString &english, const QString &typed,
                           bool right)
{
    if (pass < 0 || !isAvailable())
        return;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(QStringLiteral(
        "INSERT INTO answer (pass, position, english, typed, right) VALUES (?, ?, ?, ?, ?)"));
    query.addBindValue(pass);
    query.addBindValue(position);
    query.addBindValue(english);
    query.addBindValue(typed);
    query.addBindValue(right ? 1 : 0);
    exec(query);
}

void History::finishPass(qint64 pass)
{
    if (pass < 0 || !isAvailable())
        return;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.prepare(QStringLiteral("UPDATE pass SET finished = ? WHERE id = ?"));
    query.addBindValue(QDateTime::currentMSecsSinceEpoch());
    query.addBindValue(pass);
    exec(query);
}

QList<History::Pass> History::passes(int unit)
{
    QList<Pass> passes;
    if (!isAvailable())
        return passes;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.setForwardOnly(true);
    query.prepare(
        QStringLiteral("SELECT p.started, p.words, p.finished IS NOT NULL, p.whole_unit,"
                       " COUNT(a.position), COALESCE(SUM(a.right), 0)"
                       " FROM pass p LEFT JOIN answer a ON a.pass = p.id"
                       " WHERE p.book = ? AND p.unit = ? GROUP BY p.id ORDER BY p.started, p.id"));
    query.addBindValue(QString::fromLatin1(m_book));
    query.addBindValue(unit);
    if (!exec(query))
        return passes;
    while (query.next()) {
        Pass pass;
        pass.started = QDateTime::fromMSecsSinceEpoch(query.value(0).toLongLong());
        pass.words = query.value(1).toInt();
        pass.finished = query.value(2).toBool();
        pass.wholeUnit = query.value(3).toBool();
        pass.answered = query.value(4).toInt();
        pass.right = query.value(5).toInt();
        passes.append(pass);
    }
    return passes;
}

QList<History::WrongWord> History::mostOftenWrong(int unit, int limit)
{
    QList<WrongWord> words;
    if (!isAvailable())
        return words;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.setForwardOnly(true);
    query.prepare(QStringLiteral(
        "SELECT a.english, COUNT(*) AS times FROM answer a JOIN pass p ON p.id = a.pass"
        " WHERE p.book = ? AND p.unit = ? AND a.right = 0"
        " GROUP BY a.english ORDER BY times DESC, a.english LIMIT ?"));
    query.addBindValue(QString::fromLatin1(m_book));
    query.addBindValue(unit);
    query.addBindValue(limit);
    if (!exec(query))
        return words;
    while (query.next())
        words.append({query.value(0).toString(), query.value(1).toInt()});
    return words;
}
