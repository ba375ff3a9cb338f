#include "testdb.h"

#include "admin/provisioning.h"
#include "data/engines/file/keyedfile.h"
#include "data/engines/file/sqlcipherconnection.h"
#include "data/engines/server/pgconnection.h"
#include "data/stock/journal.h"
#include "data/stock/module1.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

#include <libpq-fe.h>
#include <unistd.h>

namespace testing {

namespace {

using Server = std::unique_ptr<PGconn, void (*)(PGconn *)>;

Server connectServer(const QString &location)
{
    Server conn(PQconnectdb(location.toUtf8().constData()), PQfinish);
    if (PQstatus(conn.get()) != CONNECTION_OK)
        qFatal("cannot connect to the test server: %s", PQerrorMessage(conn.get()));
    return conn;
}

// Runs statements on a connection of its own; the server's error, or empty.
QString runOnServer(const QString &location, const QString &statement)
{
    Server conn = connectServer(location);
    PGresult *result = PQexec(conn.get(), statement.toUtf8().constData());
    const ExecStatusType status = PQresultStatus(result);
    PQclear(result);
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK)
        return QString();
    return QString::fromUtf8(PQerrorMessage(conn.get())).trimmed();
}

// The records tables' and fields' names written bare in a statement, quoted
// (the server folds bare names to lower case); rowid stands for "ID".
// Texts in quotes are left alone.
QString quoteRecordsNames(const QString &sql)
{
    static const QSet<QString> names = [] {
        QSet<QString> set;
        for (const inv::TableDef &table : inv::recordsTables()) {
            set << QString::fromLatin1(table.name);
            for (const inv::FieldDef &field : table.fields)
                set << QString::fromLatin1(field.name);
        }
        return set;
    }();
    static const QRegularExpression pieces(QStringLiteral("('[^']*')|(\"[^\"]*\")|([A-Za-z_][A-Za-z0-9_]*)"));
    QString out;
    qsizetype at = 0;
    for (auto it = pieces.globalMatch(sql); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        out += sql.mid(at, m.capturedStart() - at);
        const QString word = m.captured(3);
        if (word == QLatin1String("rowid"))
            out += QStringLiteral("\"ID\"");
        else if (!word.isEmpty() && names.contains(word))
            out += QLatin1Char('"') + word + QLatin1Char('"');
        else
            out += m.captured(0);
        at = m.capturedEnd();
    }
    return out + sql.mid(at);
}

} // namespace

bool onServer()
{
    return qgetenv("INVENTORY_TEST_ENGINE") == "server";
}

QString serverLocation(const QString &database)
{
    static const QString host = [] {
        QFile file(QDir(QString::fromLocal8Bit(qgetenv("INVENTORY_TEST_PGSERVER"))).filePath(QStringLiteral("host")));
        if (!file.open(QIODevice::ReadOnly))
            qFatal("no test server: INVENTORY_TEST_PGSERVER must name the folder of tests/pgserver.sh start");
        return QString::fromLocal8Bit(file.readAll()).trimmed();
    }();
    return QStringLiteral("postgresql:///%1?host=%2").arg(database, host);
}

namespace {

// The server databases of tests that have ended, not dropped yet.
QStringList &endedDatabases()
{
    static QStringList names;
    return names;
}

QString databaseName(const QString &location)
{
    return location.section(QLatin1Char('/'), 3).section(QLatin1Char('?'), 0, 0);
}

} // namespace

QString newServerDatabase()
{
    // The databases of tests that have ended are dropped once nothing holds
    // them any more (the server would wait for their clients); the rest go
    // with the test server.
    static int counter = 0;
    const QString admin = serverLocation(QStringLiteral("postgres"));
    QStringList &ended = endedDatabases();
    if (!ended.isEmpty()) {
        Server conn = connectServer(admin);
        PGresult *inUse = PQexec(conn.get(), "SELECT DISTINCT datname FROM pg_stat_activity WHERE datname IS NOT NULL");
        QSet<QString> held;
        for (int r = 0; r < PQntuples(inUse); ++r)
            held << QString::fromUtf8(PQgetvalue(inUse, r, 0));
        PQclear(inUse);
        for (auto it = ended.begin(); it != ended.end();) {
            if (held.contains(*it)) {
                ++it;
                continue;
            }
            PQclear(PQexec(conn.get(), QStringLiteral("DROP DATABASE IF EXISTS %1").arg(*it).toUtf8().constData()));
            it = ended.erase(it);
        }
    }
    const QString name =
        QStringLiteral("%1_%2_%3")
            .arg(QCoreApplication::applicationName().isEmpty() ? QStringLiteral("test")
                                                               : QCoreApplication::applicationName().toLower())
            .arg(::getpid())
            .arg(++counter)
            .replace(QRegularExpression(QStringLiteral("[^a-z0-9_]")), QStringLiteral("_"));
    const QString error = runOnServer(admin, QStringLiteral("CREATE DATABASE %1").arg(name));
    if (!error.isEmpty())
        qFatal("cannot create a test database on the server: %s", qPrintable(error));
    return serverLocation(name);
}

std::shared_ptr<inv::Connection> openLocation(const QString &location)
{
    if (inv::isServerLocation(location))
        return inv::PgConnection::open(location);
    return inv::SqlCipherConnection::open(location);
}

TestDb::TestDb(const QString &dir, const QString &name) : m_path(QDir(dir).filePath(name))
{
    if (onServer()) {
        const QString file = m_path;
        m_path = newServerDatabase();
        if (name == QLatin1String("Records.mdb")) {
            if (auto error = inv::createRecordsDatabase(file, {}))
                qFatal("cannot create a test database: %s", qPrintable(*error));
            inv::SqlCipherConnection::open(file)->insert(QStringLiteral("Misc"),
                                                         {{1, "admin"}, {2, "pw"}, {4, m_path}});
        }
    }
    if (auto error = inv::createRecordsDatabase(m_path, {}))
        qFatal("cannot create a test database: %s", qPrintable(*error));
}

TestDb::TestDb(OnServer) : m_path(newServerDatabase())
{
    if (auto error = inv::createRecordsDatabase(m_path, {}))
        qFatal("cannot create a test database: %s", qPrintable(*error));
}

TestDb::~TestDb()
{
    if (inv::isServerLocation(m_path) && !endedDatabases().contains(databaseName(m_path)))
        endedDatabases() << databaseName(m_path);
}

std::shared_ptr<inv::Connection> TestDb::connection() const
{
    return openLocation(m_path);
}

TestDb &TestDb::row(const QString &table, const QVariantMap &values)
{
    auto cn = connection();
    const QStringList fields = cn->fields(table);
    inv::FieldChanges changes;
    for (auto it = values.begin(); it != values.end(); ++it) {
        const int index = fields.indexOf(it.key());
        if (index < 0)
            qFatal("no field %s in %s", qPrintable(it.key()), qPrintable(table));
        changes.append({index, it.value()});
    }
    cn->insert(table, changes);
    return *this;
}

TestDb &TestDb::item(const QString &no, const QString &name, int remaining, int max, const QString &status,
                     const QString &description)
{
    return row(QStringLiteral("Items"), {{QStringLiteral("item_no"), no},
                                         {QStringLiteral("item_name"), name},
                                         {QStringLiteral("Description"), description},
                                         {QStringLiteral("original_quantity"), max},
                                         {QStringLiteral("remaining_quantity"), remaining},
                                         {QStringLiteral("max_quantity"), max},
                                         {QStringLiteral("Status"), status},
                                         {QStringLiteral("date_updated"), kOldDate},
                                         {QStringLiteral("tempdate"), kOldDate}});
}

TestDb &TestDb::tally(const QString &no, const QString &name, int quantity, const QString &description)
{
    return row(QStringLiteral("Itemsout"), {{QStringLiteral("item_no"), no},
                                            {QStringLiteral("item_name"), name},
                                            {QStringLiteral("Description"), description},
                                            {QStringLiteral("quantity"), quantity}});
}

TestDb &TestDb::balanced()
{
    auto cn = connection();
    inv::Transaction transaction(cn);
    const int no = cn->fields("Items").indexOf("item_no");
    const int name = cn->fields("Items").indexOf("item_name");
    const int remaining = cn->fields("Items").indexOf("remaining_quantity");
    cn->forEach("Items", [&](const inv::Row &row) {
        inv::Journal::opening(*cn, row.values[no], row.values[name], row.values[remaining]);
    });
    transaction.commit();
    return *this;
}

TestDb &TestDb::misc(const QVariant &user, const QVariant &pass, const QVariant &coname, const QVariant &pat)
{
    return row(QStringLiteral("Misc"), {{QStringLiteral("User"), user},
                                        {QStringLiteral("pass"), pass},
                                        {QStringLiteral("coname"), coname},
                                        {QStringLiteral("pat"), pat}});
}

QVariant TestDb::value(const QString &table, int row, const QString &field) const
{
    auto cn = connection();
    const int index = cn->fields(table).indexOf(field);
    QVariant result;
    int n = 0;
    cn->forEach(table, [&](const inv::Row &r) {
        if (n++ == row)
            result = r.values.value(index);
    });
    return result;
}

int TestDb::count(const QString &table) const
{
    return int(connection()->count(table));
}

std::unique_ptr<QTemporaryDir> newProgramFolder()
{
    auto dir = std::make_unique<QTemporaryDir>();
    if (!dir->isValid())
        qFatal("cannot make a temporary folder");
    inv::Module1::reset();
    inv::Module1::setProgramFolder(dir->path());
    return dir;
}

std::unique_ptr<TestDb> newRecordsRun(std::unique_ptr<QTemporaryDir> &dir)
{
    dir = newProgramFolder();
    auto db = std::make_unique<TestDb>(dir->path());
    db->misc("admin", "pw");
    inv::Module1::dbPath = db->path();
    inv::Module1::OpenRecordsConnection();
    return db;
}

QString writeFile(const QString &dir, const QString &name, const QByteArray &bytes)
{
    const QString path = QDir(dir).filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    file.write(bytes);
    return path;
}

void makeBadDatabase(const QString &path, const QString &kind)
{
    const char *password = kind == QLatin1String("plain")      ? nullptr
                           : kind == QLatin1String("otherkey") ? "another"
                                                               : inv::kRecordsPassword;
    try {
        inv::KeyedFile db(path, inv::KeyedFile::Mode::Create, password);
        for (inv::TableDef table : inv::recordsTables()) {
            if (QLatin1String(table.name) == QLatin1String("Misc")) {
                if (kind == QLatin1String("notable"))
                    continue;
                if (kind == QLatin1String("nofield"))
                    table.fields.removeIf([](const inv::FieldDef &f) { return QLatin1String(f.name) == "pat"; });
            }
            db.exec(inv::createTableStatement(table));
        }
    } catch (const inv::RecordsError &e) {
        qFatal("cannot write %s: %s", qPrintable(path), qPrintable(e.message()));
    }
}

void execSql(const QString &path, const QString &statement)
{
    QString message;
    if (inv::isServerLocation(path)) {
        message = runOnServer(path, quoteRecordsNames(statement));
        QVERIFY2(message.isEmpty(), qPrintable(message));
        return;
    }
    try {
        inv::KeyedFile(path, inv::KeyedFile::Mode::ReadWrite).exec(statement);
    } catch (const inv::RecordsError &e) {
        message = e.reason();
    }
    QVERIFY2(message.isEmpty(), qPrintable(message));
}

void failWrites(const QString &path, const QString &name, const QString &timing, const QString &event,
                const QString &table, const QString &message)
{
    if (!inv::isServerLocation(path)) {
        execSql(path, QStringLiteral("CREATE TRIGGER %1 %2 %3 ON %4 BEGIN SELECT RAISE(ABORT, '%5'); END")
                          .arg(name, timing, event, table, message));
        return;
    }
    const QString body = message == QLatin1String("lost")
                             ? QStringLiteral("PERFORM pg_terminate_backend(pg_backend_pid()); RETURN NULL;")
                             : QStringLiteral("RAISE EXCEPTION '%1';").arg(message);
    execSql(path, QStringLiteral("CREATE FUNCTION \"%1\"() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN %2 END $$; "
                                 "CREATE TRIGGER \"%1\" %3 %4 ON \"%5\" FOR EACH ROW EXECUTE FUNCTION \"%1\"()")
                      .arg(name, body, timing, event, table));
}

void stopFailing(const QString &path, const QString &name, const QString &table)
{
    if (!inv::isServerLocation(path)) {
        execSql(path, QStringLiteral("DROP TRIGGER %1").arg(name));
        return;
    }
    execSql(path, QStringLiteral("DROP TRIGGER \"%1\" ON \"%2\"; DROP FUNCTION \"%1\"()").arg(name, table));
}

void damageDatabase(const QString &path, const QString &kind)
{
    // Where the pages are: the engine's own view of the file.
    qint64 pageSize = 0, pages = 0, page = 0;
    try {
        inv::KeyedFile db(path, inv::KeyedFile::Mode::ReadOnly);
        const auto scalar = [&db](const char *sql) {
            try {
                const QVariant value = db.value(QString::fromLatin1(sql));
                return value.isNull() ? qint64(-1) : value.toLongLong();
            } catch (const inv::RecordsError &) {
                return qint64(-1);
            }
        };
        pageSize = scalar("PRAGMA page_size");
        pages = scalar("PRAGMA page_count");
        if (kind == QLatin1String("data"))
            page = scalar("SELECT rootpage FROM sqlite_master WHERE type = 'table' AND name = 'Items'");
        else if (kind == QLatin1String("index"))
            page = scalar("SELECT rootpage FROM sqlite_master WHERE type = 'index' AND name = 'Items_item_name'");
        else
            page = pages;
    } catch (const inv::RecordsError &) {
        qFatal("cannot open %s", qPrintable(path));
    }
    if (pageSize <= 0 || page <= 1 || page > pages)
        qFatal("no page to damage in %s", qPrintable(path));
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        qFatal("cannot open %s", qPrintable(path));
    const qint64 offset = (page - 1) * pageSize + pageSize / 2;
    if (kind == QLatin1String("truncated")) {
        file.resize(offset);
        return;
    }
    if (kind != QLatin1String("data") && kind != QLatin1String("index") && kind != QLatin1String("last"))
        qFatal("unknown damage %s", qPrintable(kind));
    file.seek(offset);
    char byte = 0;
    file.getChar(&byte);
    file.seek(offset);
    file.putChar(char(byte ^ 0x5A));
}

QStringList snapshot(const QString &path, const QStringList &tables)
{
    auto cn = openLocation(path);
    QStringList rows;
    for (const QString &table : tables) {
        cn->forEach(table, [&](const inv::Row &row) {
            QStringList values;
            for (const QVariant &v : row.values)
                values << (v.isNull() ? QStringLiteral("<null>") : v.toString());
            rows << table + QLatin1Char(':') + values.join(QLatin1Char('|'));
        });
    }
    return rows;
}

QByteArray fileHash(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex();
}

} // namespace testing
