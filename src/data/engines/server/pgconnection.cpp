#include "data/engines/server/pgconnection.h"

#include "data/core/fieldindex.h"
#include "data/core/recordset.h"
#include "data/core/waits.h"
#include "data/schema/schema.h"

#include <QDate>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSet>
#include <QUrl>

#include <algorithm>
#include <cerrno>
#include <libpq-fe.h>
#include <limits>
#include <map>
#include <memory>
#include <tuple>

#include <poll.h>
#include <sys/socket.h>

namespace inv {

namespace {

// Type numbers of the server's built-in types, as results report them.
constexpr Oid kBool = 16, kBytea = 17, kInt8 = 20, kInt2 = 21, kInt4 = 23, kFloat4 = 700, kFloat8 = 701, kDate = 1082,
              kNumeric = 1700;

// SQLSTATEs that say the change met another one and may run again whole.
bool isConflict(const char *state)
{
    return state && (qstrcmp(state, "40001") == 0 || qstrcmp(state, "40P01") == 0);
}

const char *const kVersionStatement = "SELECT version FROM inventory_state";
const char *const kCatalogStatement =
    "SELECT c.relname, a.attname, a.atttypid::int FROM pg_catalog.pg_attribute a "
    "JOIN pg_catalog.pg_class c ON c.oid = a.attrelid "
    "WHERE c.relnamespace = pg_catalog.current_schema()::regnamespace AND c.relkind = 'r' "
    "AND a.attnum > 0 AND NOT a.attisdropped ORDER BY c.relname, a.attnum";

struct TableMeta {
    QStringList fields;
    QVector<Oid> types;
    bool isDate(int field) const { return types.value(field) == kDate; }
    bool isText(int field) const
    {
        const Oid t = types.value(field);
        return t != kDate && t != kInt8 && t != kInt4 && t != kInt2 && t != kFloat4 && t != kFloat8 && t != kNumeric
               && t != kBool && t != kBytea;
    }
};

QString quoted(const QString &identifier)
{
    QString s = identifier;
    s.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + s + QLatin1Char('"');
}

std::map<QString, std::weak_ptr<PgHandle>> &registry()
{
    // Never destroyed, as the file engine's: globals let go of their
    // connections after the function-local statics.
    static auto *handles = new std::map<QString, std::weak_ptr<PgHandle>>;
    return *handles;
}

int g_connectionsMade = 0;

using Result = std::unique_ptr<PGresult, void (*)(PGresult *)>;

Result wrap(PGresult *result)
{
    return Result(result, PQclear);
}

// The time limits (see PgConnection::setTimeLimits).
int g_connectLimitMs = 10000;
int g_answerLimitMs = 25000;
int g_lockWaitMs = 20000;
// How much longer than the server's own lock_timeout the program waits for
// the lock statement's answer before it takes the server for stopped.
constexpr int kLockGraceMs = 5000;
// A wait says what it waits for once it has lasted this long, and lets the
// windows repaint.
constexpr int kTellAfterMs = 250;

// How a wait for the server ended.
enum class Wake { Ready, Expired, GivenUp };

// One wait for a server's socket, bounded: limitMs without any sign of the
// server (progress() restarts it). Says what it waits for (Waits) and lets
// the program pump while it lasts.
class ServerWait {
public:
    ServerWait(QString line, int limitMs) : m_line(std::move(line)), m_limitMs(limitMs)
    {
        m_all.start();
        m_quiet.start();
    }

    // Waits up to a few tens of milliseconds for events on socket; the
    // events that came (0: none, or the wait is over).
    short step(int socket, short events)
    {
        if (Waits::givenUp()) {
            m_end = Wake::GivenUp;
            return 0;
        }
        const qint64 left = m_limitMs - m_quiet.elapsed();
        if (left <= 0) {
            m_end = Wake::Expired;
            return 0;
        }
        pollfd fd{socket, events, 0};
        const int ready = ::poll(&fd, 1, int(std::min<qint64>(left, 40)));
        const short got = ready > 0 ? fd.revents : 0;
        const qint64 ms = m_all.elapsed();
        if (ms >= kTellAfterMs) {
            if (ms / 1000 != m_told) {
                m_told = ms / 1000;
                Waits::waiting(m_line);
            }
            Waits::pump();
        }
        return got;
    }
    void progress() { m_quiet.restart(); }
    Wake end() const { return m_end; }

private:
    Waits::Scope m_scope;
    QString m_line;
    int m_limitMs;
    QElapsedTimer m_all, m_quiet;
    qint64 m_told = -1;
    Wake m_end = Wake::Ready;
};

// Ends a connection at once, whatever the server does: the socket is shut
// down (which never blocks, unlike a cancel request to a server that does
// not answer), and libpq sees it closed. The server rolls back what the
// connection had begun once it notices.
void dropConnection(PGconn *conn)
{
    const int socket = PQsocket(conn);
    if (socket >= 0)
        ::shutdown(socket, SHUT_RDWR);
    PQconsumeInput(conn);
}

// Waits for every result of what was sent on conn (non-blocking mode) and
// returns the first error among them, or else the last one; *end tells how
// the wait ended (anything but Ready: the connection was dropped).
Result awaitAnswer(PGconn *conn, const QString &line, int limitMs, bool quietResets, Wake *end)
{
    *end = Wake::Ready;
    ServerWait wait(line, limitMs);
    Result last = wrap(nullptr);
    Result firstError = wrap(nullptr);
    for (;;) {
        for (;;) {
            const int flushed = PQflush(conn);
            if (flushed < 0) {
                dropConnection(conn);
                break;
            }
            if (flushed == 0 && !PQisBusy(conn))
                break;
            const short got = wait.step(PQsocket(conn), short(POLLIN | (flushed ? POLLOUT : 0)));
            if (wait.end() != Wake::Ready) {
                *end = wait.end();
                dropConnection(conn);
                break;
            }
            if (got & (POLLIN | POLLERR | POLLHUP | POLLNVAL)) {
                if (!PQconsumeInput(conn))
                    break; // the connection is gone: the result says so
                if (quietResets)
                    wait.progress();
            } else if ((got & POLLOUT) && quietResets) {
                wait.progress();
            }
        }
        if (PQstatus(conn) != CONNECTION_OK) {
            // Gone: what libpq still holds says so, and nothing more comes.
            while (PGresult *rest = PQgetResult(conn)) {
                if (!firstError)
                    firstError = wrap(rest);
                else
                    PQclear(rest);
            }
            break;
        }
        PGresult *next = PQgetResult(conn);
        if (!next)
            break;
        const ExecStatusType status = PQresultStatus(next);
        if ((status == PGRES_FATAL_ERROR || status == PGRES_BAD_RESPONSE) && !firstError)
            firstError = wrap(next);
        else
            last = wrap(next);
    }
    if (firstError)
        return firstError;
    if (!last)
        last = wrap(PQmakeEmptyPGresult(conn, PGRES_FATAL_ERROR));
    return last;
}

// The lock statement: the server itself gives up the wait for the writers'
// lock after g_lockWaitMs (lock_timeout, SQLSTATE 55P03), so no cancel
// request is needed; the program waits a little longer before it takes the
// server for stopped and drops the connection.
QByteArray lockStatement()
{
    return QByteArrayLiteral("BEGIN; SET LOCAL lock_timeout = ") + QByteArray::number(std::max(1, g_lockWaitMs))
           + QByteArrayLiteral("; SELECT version FROM inventory_state FOR UPDATE");
}

} // namespace

// -- Locations --------------------------------------------------------------

namespace {

bool isSecretKey(const QString &key)
{
    return key == QLatin1String("password") || key == QLatin1String("sslpassword");
}

// The keywords libpq knows, to tell a key=value connection string.
bool isConninfoKeyword(const QString &word)
{
    static const QSet<QString> keywords = [] {
        QSet<QString> set;
        if (PQconninfoOption *options = PQconndefaults()) {
            for (PQconninfoOption *o = options; o->keyword; ++o)
                set << QString::fromLatin1(o->keyword);
            PQconninfoFree(options);
        }
        return set;
    }();
    return keywords.contains(word);
}

bool isUrl(const QString &location)
{
    return location.startsWith(QLatin1String("postgresql://")) || location.startsWith(QLatin1String("postgres://"));
}

// A URL with every password in it shown as ***: in the user part (up to
// the first '@' before any '/', as libpq reads it) and in the parameters
// (names decoded, as libpq decodes them).
QString urlShown(const QString &location)
{
    const qsizetype schemeEnd = location.indexOf(QLatin1String("://")) + 3;
    QString shown = location.left(schemeEnd);
    QString rest = location.mid(schemeEnd);
    qsizetype stop = 0;
    while (stop < rest.size() && rest[stop] != QLatin1Char('@') && rest[stop] != QLatin1Char('/'))
        ++stop;
    if (stop < rest.size() && rest[stop] == QLatin1Char('@')) {
        const QString user = rest.left(stop);
        const qsizetype colon = user.indexOf(QLatin1Char(':'));
        shown += colon < 0 ? user : user.left(colon) + QStringLiteral(":***");
        shown += QLatin1Char('@');
        rest = rest.mid(stop + 1);
    }
    const qsizetype query = rest.indexOf(QLatin1Char('?'));
    if (query < 0)
        return shown + rest;
    shown += rest.left(query + 1);
    QStringList params = rest.mid(query + 1).split(QLatin1Char('&'));
    for (QString &param : params) {
        const qsizetype equals = param.indexOf(QLatin1Char('='));
        const QString key = QUrl::fromPercentEncoding(param.left(equals < 0 ? param.size() : equals).toUtf8());
        if (isSecretKey(key.trimmed()))
            param = param.left(equals + 1) + QStringLiteral("***");
    }
    return shown + params.join(QLatin1Char('&'));
}

// A key=value connection string with every password value shown as ***,
// read as libpq reads it; whatever cannot be read so is not shown.
QString keyValueShown(const QString &location)
{
    QString shown;
    qsizetype i = 0;
    const qsizetype n = location.size();
    const auto space = [&](qsizetype at) { return at < n && location[at].isSpace(); };
    while (i < n) {
        const qsizetype keyStart = i;
        while (space(i))
            ++i;
        if (i >= n) {
            shown += location.mid(keyStart);
            break;
        }
        qsizetype keyEnd = i;
        while (keyEnd < n && location[keyEnd] != QLatin1Char('=') && !location[keyEnd].isSpace())
            ++keyEnd;
        const QString key = location.mid(i, keyEnd - i);
        qsizetype at = keyEnd;
        while (space(at))
            ++at;
        if (at >= n || location[at] != QLatin1Char('=')) {
            shown += location.mid(keyStart, i - keyStart) + QStringLiteral("***");
            break;
        }
        ++at;
        while (space(at))
            ++at;
        const qsizetype valueStart = at;
        bool closed = true;
        if (at < n && location[at] == QLatin1Char('\'')) {
            closed = false;
            ++at;
            while (at < n) {
                if (location[at] == QLatin1Char('\\') && at + 1 < n) {
                    at += 2;
                    continue;
                }
                if (location[at] == QLatin1Char('\'')) {
                    ++at;
                    closed = true;
                    break;
                }
                ++at;
            }
        } else {
            while (at < n && !location[at].isSpace())
                at += location[at] == QLatin1Char('\\') && at + 1 < n ? 2 : 1;
        }
        shown += location.mid(keyStart, valueStart - keyStart);
        if (isSecretKey(key) || !closed) {
            shown += QStringLiteral("***");
            if (!closed)
                break;
        } else {
            const QString value = location.mid(valueStart, at - valueStart);
            // A value may be an address of its own (dbname).
            shown += value.contains(QLatin1String("://")) ? urlShown(value) : value;
        }
        i = at;
    }
    return shown;
}

// The secrets a location carries, as libpq reads them (none when it cannot).
QStringList secretsOf(const QString &location)
{
    QStringList secrets;
    char *error = nullptr;
    PQconninfoOption *options = PQconninfoParse(location.toUtf8().constData(), &error);
    if (!options) {
        PQfreemem(error);
        return secrets;
    }
    for (PQconninfoOption *o = options; o->keyword; ++o)
        if (isSecretKey(QString::fromLatin1(o->keyword)) && o->val && *o->val)
            secrets << QString::fromUtf8(o->val);
    PQconninfoFree(options);
    return secrets;
}

} // namespace

bool isServerLocation(const QString &location)
{
    if (isUrl(location))
        return true;
    // A key=value connection string: it begins with one of libpq's
    // keywords and '='. A file of that name that is there is a file.
    static const QRegularExpression keyValue(QStringLiteral("^\\s*([a-z_]+)\\s*="));
    const QRegularExpressionMatch m = keyValue.match(location);
    if (!m.hasMatch() || !isConninfoKeyword(m.captured(1)))
        return false;
    return !QFileInfo::exists(location);
}

QString locationWithoutPassword(const QString &location)
{
    if (!isServerLocation(location))
        return location;
    for (const QString &secret : secretsOf(location))
        Secrets::note(secret);
    return isUrl(location) ? urlShown(location) : keyValueShown(location);
}

bool locationHasPassword(const QString &location)
{
    if (!isServerLocation(location))
        return false;
    char *error = nullptr;
    PQconninfoOption *options = PQconninfoParse(location.toUtf8().constData(), &error);
    if (!options) {
        PQfreemem(error);
        // An address libpq cannot read: whatever it holds, it is not kept.
        return true;
    }
    PQconninfoFree(options);
    return !secretsOf(location).isEmpty();
}

// -- Connecting -------------------------------------------------------------

namespace {

// The options a connection is made with: the location's own, and where it
// sets none, time limits: a connect time-out, and TCP keepalives and a user
// time-out, so that a peer that went silent is noticed within about 20 s.
struct ConnectOptions {
    std::vector<QByteArray> keys, values;
    int connectLimitMs = 0;
};

std::optional<ConnectOptions> connectOptions(const QString &location)
{
    char *error = nullptr;
    PQconninfoOption *options = PQconninfoParse(location.toUtf8().constData(), &error);
    if (!options) {
        // libpq's reason quotes the address: it is not shown.
        PQfreemem(error);
        return std::nullopt;
    }
    ConnectOptions made;
    made.connectLimitMs = g_connectLimitMs;
    QSet<QByteArray> given;
    for (PQconninfoOption *o = options; o->keyword; ++o) {
        if (!o->val)
            continue;
        made.keys.emplace_back(o->keyword);
        made.values.emplace_back(o->val);
        given << QByteArray(o->keyword);
        if (qstrcmp(o->keyword, "connect_timeout") == 0) {
            const int seconds = QByteArray(o->val).trimmed().toInt();
            if (seconds > 0)
                made.connectLimitMs = std::max(seconds, 2) * 1000; // libpq's least
        }
    }
    PQconninfoFree(options);
    if (!given.contains("connect_timeout") && qEnvironmentVariableIsSet("PGCONNECT_TIMEOUT")) {
        const int seconds = qEnvironmentVariableIntValue("PGCONNECT_TIMEOUT");
        if (seconds > 0)
            made.connectLimitMs = std::max(seconds, 2) * 1000;
        given << "connect_timeout";
    }
    const std::pair<const char *, QByteArray> defaults[] = {
        {"connect_timeout", QByteArray::number(std::max(2, (g_connectLimitMs + 999) / 1000))},
        {"keepalives", "1"},
        {"keepalives_idle", "5"},
        {"keepalives_interval", "5"},
        {"keepalives_count", "3"},
        {"tcp_user_timeout", "20000"},
    };
    for (const auto &d : defaults) {
        if (given.contains(d.first))
            continue;
        made.keys.emplace_back(d.first);
        made.values.emplace_back(d.second);
    }
    return made;
}

QString seconds(int ms)
{
    return QString::number(ms / 1000.0, 'g', 3);
}

// Why a connection could not be made, in the words a clerk reads.
RecordsError connectFailure(const QString &shown, const QString &why, Wake end, int limitMs)
{
    if (end == Wake::Expired)
        return RecordsError(shown, QStringLiteral("the database server did not answer within %1 seconds").arg(seconds(limitMs)),
                            RecordsError::Kind::Unreachable,
                            QStringLiteral("The database server did not answer within %1 seconds; nothing was "
                                           "written. Try again when it is back.")
                                .arg(seconds(limitMs)));
    if (end == Wake::GivenUp)
        return RecordsError(shown, QStringLiteral("the wait for the database server was given up"),
                            RecordsError::Kind::Unreachable,
                            QStringLiteral("The wait for the database server was given up; nothing was written."));
    const auto has = [&](const char *text) { return why.contains(QLatin1String(text), Qt::CaseInsensitive); };
    if (has("SSL") || has("certificate") || has("GSSAPI encryption"))
        return RecordsError(shown, QStringLiteral("the secure connection (TLS) failed: %1").arg(why));
    if (has("password authentication failed") || has("no password supplied") || has("authentication failed")
        || has("no pg_hba.conf entry") || has("password is required") || has("SCRAM"))
        return RecordsError(shown, QStringLiteral("the server refused the log-in (authentication failed): %1").arg(why));
    if (has("database \"") && has("does not exist"))
        return RecordsError(shown, QStringLiteral("the server has no such database: %1").arg(why));
    if (has("role \"") && has("does not exist"))
        return RecordsError(shown, QStringLiteral("the server refused the log-in (no such user): %1").arg(why));
    // A server that answered and refused is not one that cannot be reached.
    const bool answered = has("FATAL") && !has("starting up") && !has("shutting down");
    if (answered)
        return RecordsError(shown, QStringLiteral("the server refused the connection (%1)").arg(why));
    return RecordsError(shown, why, RecordsError::Kind::Unreachable);
}

// A new connection to location, made without blocking: the windows go on
// repainting, and the attempt ends after the connect limit or when the
// clerk gives it up. Throws RecordsError.
PGconn *connectWithin(const QString &location, const QString &shown)
{
    const std::optional<ConnectOptions> options = connectOptions(location);
    if (!options)
        throw RecordsError(shown, QStringLiteral("the address cannot be read as a server address (a postgresql:// "
                                                 "address or key=value settings, as libpq reads them)"));
    std::vector<const char *> keys, values;
    for (size_t i = 0; i < options->keys.size(); ++i) {
        keys.push_back(options->keys[i].constData());
        values.push_back(options->values[i].constData());
    }
    keys.push_back(nullptr);
    values.push_back(nullptr);
    ++g_connectionsMade;
    PGconn *conn = PQconnectStartParams(keys.data(), values.data(), 0);
    if (!conn)
        throw RecordsError(shown, QStringLiteral("out of memory"));
    std::unique_ptr<PGconn, void (*)(PGconn *)> held(conn, PQfinish);
    ServerWait wait(QStringLiteral("Connecting to the database server %1...").arg(shown), options->connectLimitMs);
    PostgresPollingStatusType state = PQstatus(conn) == CONNECTION_BAD ? PGRES_POLLING_FAILED : PGRES_POLLING_WRITING;
    while (state != PGRES_POLLING_OK && state != PGRES_POLLING_FAILED) {
        const short events = state == PGRES_POLLING_READING ? POLLIN : POLLOUT;
        short got = 0;
        while (!got && wait.end() == Wake::Ready)
            got = wait.step(PQsocket(conn), events);
        if (wait.end() != Wake::Ready)
            throw connectFailure(shown, QString(), wait.end(), options->connectLimitMs);
        state = PQconnectPoll(conn);
    }
    if (state == PGRES_POLLING_FAILED || PQstatus(conn) != CONNECTION_OK)
        throw connectFailure(shown, Secrets::cleared(QString::fromUtf8(PQerrorMessage(conn)).trimmed()), Wake::Ready,
                             options->connectLimitMs);
    PQsetnonblocking(conn, 1);
    return held.release();
}

} // namespace

namespace {

// A field's text as the server sends it, turned into the value the
// windows expect: whole numbers as qlonglong, dates as QDate.
QVariant cellValue(const PGresult *result, int row, int column)
{
    if (PQgetisnull(result, row, column))
        return QVariant();
    const char *text = PQgetvalue(result, row, column);
    const int length = PQgetlength(result, row, column);
    switch (PQftype(result, column)) {
    case kInt8:
    case kInt4:
    case kInt2:
        return QVariant(qlonglong(QByteArray::fromRawData(text, length).toLongLong()));
    case kFloat4:
    case kFloat8:
    case kNumeric:
        return QVariant(QByteArray::fromRawData(text, length).toDouble());
    case kBool:
        return QVariant(qlonglong(text[0] == 't' ? 1 : 0));
    case kDate: {
        const QDate date = QDate::fromString(QString::fromLatin1(text, length), Qt::ISODate);
        return date.isValid() ? QVariant(date) : QVariant(QString::fromLatin1(text, length));
    }
    default:
        return QVariant(QString::fromUtf8(text, length));
    }
}

// The same as fieldText shows it, texts and whole numbers without a QVariant
// in between.
QString cellText(const PGresult *result, int row, int column)
{
    if (PQgetisnull(result, row, column))
        return QString();
    const Oid type = PQftype(result, column);
    if (type == kInt8 || type == kInt4 || type == kInt2)
        return QString::fromLatin1(PQgetvalue(result, row, column), PQgetlength(result, row, column));
    if (type == kDate || type == kFloat4 || type == kFloat8 || type == kNumeric || type == kBool)
        return fieldText(cellValue(result, row, column));
    return QString::fromUtf8(PQgetvalue(result, row, column), PQgetlength(result, row, column));
}

qint64 cellKey(const PGresult *result, int row)
{
    return QByteArray::fromRawData(PQgetvalue(result, row, 0), PQgetlength(result, row, 0)).toLongLong();
}

// Each row of a result as its key (the first column) and the fields after
// it as text.
QVector<TextRow> textRows(const PGresult *result, int fields)
{
    QVector<TextRow> rows;
    const int count = PQntuples(result);
    rows.reserve(count);
    for (int r = 0; r < count; ++r) {
        TextRow row{cellKey(result, r), {}};
        row.texts.reserve(fields);
        for (int c = 1; c <= fields; ++c)
            row.texts << cellText(result, r, c);
        rows << std::move(row);
    }
    return rows;
}

// Parameters in the text form the server parses by the column they meet.
struct Params {
    QVector<QByteArray> texts;
    QVector<bool> nulls;

    void add(const QVariant &value)
    {
        if (value.isNull() || !value.isValid()) {
            texts << QByteArray();
            nulls << true;
            return;
        }
        nulls << false;
        switch (value.typeId()) {
        case QMetaType::QDate:
            texts << value.toDate().toString(Qt::ISODate).toLatin1();
            break;
        case QMetaType::Bool:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
            texts << QByteArray::number(value.toLongLong());
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            texts << QByteArray::number(value.toDouble(), 'g', 17);
            break;
        default:
            texts << value.toString().toUtf8();
            break;
        }
    }
    Params &operator<<(const QVariant &value)
    {
        add(value);
        return *this;
    }
};

} // namespace

struct PgHandle {
    PGconn *conn = nullptr;
    QString location; // as given to libpq
    QString shown; // as messages show it
    qint64 serial = 0; // tells connections apart for DataVersion
    QHash<QString, QByteArray> prepared; // statement text → its name on the server
    QHash<QString, TableMeta> tables;
    // The ordered reads' statements, by table, fields, order and match
    // fields, and which bounds they have (readOrdered).
    std::map<std::tuple<QString, QVector<int>, int, int, int>, QString> orderedReads;
    int transactionDepth = 0;
    int readDepth = 0;
    bool readOpen = false;
    bool rollbackOnly = false;
    // The version read under the lock when the change began, and the
    // statements written since: each moves it by one (the statement trigger
    // of its table), and nobody else can while the lock is held.
    std::optional<qint64> lockedVersion;
    qint64 writesUnderLock = 0;

    ~PgHandle()
    {
        if (conn)
            PQfinish(conn);
        auto &handles = registry();
        auto it = handles.find(location);
        if (it != handles.end() && it->second.expired())
            handles.erase(it);
    }

    // How the last wait on this connection ended: anything but Ready
    // dropped the connection (the server did not answer in time, or the
    // clerk gave the wait up).
    Wake dropped = Wake::Ready;
    int droppedAfterMs = 0;
    // A statement is under way: the windows may be repainting meanwhile
    // (Waits::pump), and nothing else may use the connection.
    bool busy = false;
    // The database's own time limits were looked at (the first change).
    bool settingsChecked = false;

    bool lost() const { return PQstatus(conn) != CONNECTION_OK; }
    bool inTransaction() const { return transactionDepth > 0 || readOpen; }

    [[noreturn]] void unreachable() const
    {
        if (dropped == Wake::Expired)
            throw RecordsError(shown,
                               QStringLiteral("the database server did not answer for %1 seconds; the connection was "
                                              "closed and nothing was written")
                                   .arg(seconds(droppedAfterMs)),
                               RecordsError::Kind::Unreachable,
                               QStringLiteral("The database server did not answer for %1 seconds, so the program "
                                              "stopped waiting; nothing was written. Try again when it is back.")
                                   .arg(seconds(droppedAfterMs)));
        if (dropped == Wake::GivenUp)
            throw RecordsError(shown, QStringLiteral("the wait for the database server was given up"),
                               RecordsError::Kind::Unreachable,
                               QStringLiteral("The wait for the database server was given up; nothing was written."));
        throw RecordsError(shown, QString::fromUtf8(PQerrorMessage(conn)).trimmed(), RecordsError::Kind::Unreachable);
    }

    void requireWritable() const
    {
        if (readOpen)
            throw RecordsError(shown, QStringLiteral("a change cannot start while a read is under way"));
    }

    // Makes the connection (again): without blocking, within the connect
    // limit. Throws RecordsError; the old connection stays until a new one
    // is made.
    void connectNow()
    {
        PGconn *made = connectWithin(location, shown);
        if (conn)
            PQfinish(conn);
        conn = made;
        dropped = Wake::Ready;
        serial = g_connectionsMade;
        prepared.clear();
        sessionLimits();
    }

    // A connection that went away is made again before anything starts:
    // the next action after a lost server works once it is back.
    void reconnect()
    {
        connectNow();
        listen();
    }

    // Sends what send() sends and waits for the answer: at most limitMs of
    // silence from the server, the windows repainting meanwhile. On expiry
    // (or when the clerk gives up) the connection is dropped, and the
    // result is an error on a lost connection.
    Result await(const std::function<int(PGconn *)> &send, int limitMs, bool quietResets, const QString &line)
    {
        if (busy)
            throw RecordsError(shown, QStringLiteral("the program is still waiting for the server's answer to "
                                                     "another statement"));
        busy = true;
        const auto done = qScopeGuard([this] { busy = false; });
        if (!send(conn))
            return wrap(PQmakeEmptyPGresult(conn, PGRES_FATAL_ERROR));
        Wake end = Wake::Ready;
        Result result = awaitAnswer(conn, line, limitMs, quietResets, &end);
        if (end != Wake::Ready) {
            dropped = end;
            droppedAfterMs = limitMs;
        }
        return result;
    }

    QString answerLine() const { return QStringLiteral("Waiting for the database server %1 to answer...").arg(shown); }

    // Runs statements without parameters, not prepared.
    Result run(const char *sql)
    {
        return await([sql](PGconn *c) { return PQsendQuery(c, sql); }, g_answerLimitMs, true, answerLine());
    }

    // The time limits of the program's own sessions where the database sets
    // none (inventory-admin create sets them for every session): a change
    // left open by a program that died lets go of the writers' lock, and
    // the server notices a peer that went silent.
    void sessionLimits()
    {
        static const char *const statement =
            "SELECT pg_catalog.current_setting('idle_in_transaction_session_timeout') <> '0', "
            "CASE WHEN pg_catalog.current_setting('idle_in_transaction_session_timeout') = '0' "
            "THEN pg_catalog.set_config('idle_in_transaction_session_timeout', '25s', false) END, "
            "CASE WHEN pg_catalog.current_setting('lock_timeout') = '0' "
            "THEN pg_catalog.set_config('lock_timeout', '20s', false) END, "
            "CASE WHEN pg_catalog.current_setting('tcp_keepalives_idle') = '0' "
            "THEN pg_catalog.set_config('tcp_keepalives_idle', '5', false) END, "
            "CASE WHEN pg_catalog.current_setting('tcp_keepalives_interval') = '0' "
            "THEN pg_catalog.set_config('tcp_keepalives_interval', '5', false) END, "
            "CASE WHEN pg_catalog.current_setting('tcp_keepalives_count') = '0' "
            "THEN pg_catalog.set_config('tcp_keepalives_count', '3', false) END, "
            "CASE WHEN pg_catalog.current_setting('tcp_user_timeout') = '0' "
            "THEN pg_catalog.set_config('tcp_user_timeout', '20000', false) END";
        Result result = run(statement);
        if (lost())
            unreachable();
        // Set for the database (or the role, or the server) already: its
        // first change need not look again.
        if (PQresultStatus(result.get()) == PGRES_TUPLES_OK && PQntuples(result.get()) == 1
            && PQgetvalue(result.get(), 0, 0)[0] == 't')
            settingsChecked = true;
    }

    // The database's own time limits, which every session gets (a clerk's
    // psql too): set by inventory-admin create, and at the first change a
    // program makes on a database that lacks them, where its role may (the
    // database's owner); sessionLimits covers the program's own sessions
    // anyway.
    void databaseLimits()
    {
        if (settingsChecked)
            return;
        settingsChecked = true;
        Result result = run(
            "SELECT d.datname, EXISTS (SELECT 1 FROM pg_catalog.pg_db_role_setting s WHERE s.setdatabase = d.oid "
            "AND s.setrole = 0 AND EXISTS (SELECT 1 FROM pg_catalog.unnest(s.setconfig) c "
            "WHERE c LIKE 'idle\\_in\\_transaction\\_session\\_timeout=%')), "
            "pg_catalog.pg_has_role(d.datdba, 'USAGE') OR (SELECT r.rolsuper FROM pg_catalog.pg_roles r "
            "WHERE r.rolname = CURRENT_USER) FROM pg_catalog.pg_database d "
            "WHERE d.datname = pg_catalog.current_database()");
        if (PQresultStatus(result.get()) != PGRES_TUPLES_OK || PQntuples(result.get()) != 1)
            return;
        const bool has = PQgetvalue(result.get(), 0, 1)[0] == 't';
        const bool may = PQgetvalue(result.get(), 0, 2)[0] == 't';
        if (has || !may)
            return;
        const char *name = PQgetvalue(result.get(), 0, 0);
        char *quotedName = PQescapeIdentifier(conn, name, qstrlen(name));
        if (!quotedName)
            return;
        QByteArray statements;
        for (const char *setting : {"idle_in_transaction_session_timeout = '25s'", "lock_timeout = '20s'",
                                    "tcp_keepalives_idle = 5", "tcp_keepalives_interval = 5",
                                    "tcp_keepalives_count = 3", "tcp_user_timeout = 20000"})
            statements += QByteArrayLiteral("ALTER DATABASE ") + quotedName + QByteArrayLiteral(" SET ") + setting
                          + QByteArrayLiteral("; ");
        PQfreemem(quotedName);
        run(statements.constData());
    }

    // Other programs' changes come as notifications on the channel the
    // triggers use; what happened while the connection was lost is not
    // told, so a new connection reports every table once.
    QStringList pendingChanges;
    void listen()
    {
        run("LISTEN inventory");
        if (lost())
            unreachable();
        pendingChanges = QStringList{QStringLiteral("Items"), QStringLiteral("Itemsout"), QStringLiteral("Misc")};
    }

    void ensureConnected()
    {
        if (lost() && !inTransaction())
            reconnect();
    }

    // Throws for a result that is not a success: a lost connection as
    // Unreachable (inside a change the server rolls it back), anything else
    // with the server's own words.
    void check(const PGresult *result, const QString &what) const
    {
        const ExecStatusType status = PQresultStatus(result);
        if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK)
            return;
        if (lost())
            unreachable();
        const char *state = PQresultErrorField(result, PG_DIAG_SQLSTATE);
        QString message = QString::fromUtf8(PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY));
        if (message.isEmpty())
            message = QString::fromUtf8(PQerrorMessage(conn)).trimmed();
        if (isConflict(state))
            message = QStringLiteral("another change got in the way; nothing was written, try again (%1)").arg(message);
        throw RecordsError(shown, what + QStringLiteral(": ") + message);
    }

    // Runs a statement, prepared once per connection. Outside a
    // transaction a statement that meets a lost connection runs again on a
    // new one: only reads and the start of a change run outside one. One
    // that the program stopped waiting for is not run again.
    Result exec(const QString &sql, const Params &params, const QString &what)
    {
        ensureConnected();
        for (int attempt = 0;; ++attempt) {
            Result result = execOnce(sql, params);
            if (PQresultStatus(result.get()) != PGRES_FATAL_ERROR || !lost() || inTransaction() || attempt > 0
                || dropped != Wake::Ready) {
                check(result.get(), what);
                return result;
            }
            reconnect();
        }
    }

    Result execOnce(const QString &sql, const Params &params)
    {
        auto it = prepared.find(sql);
        if (it == prepared.end()) {
            const QByteArray name = "s" + QByteArray::number(prepared.size());
            const QByteArray text = sql.toUtf8();
            Result made = await(
                [&](PGconn *c) { return PQsendPrepare(c, name.constData(), text.constData(), 0, nullptr); },
                g_answerLimitMs, true, answerLine());
            if (PQresultStatus(made.get()) != PGRES_COMMAND_OK)
                return made;
            it = prepared.insert(sql, name);
        }
        QVector<const char *> values(params.texts.size());
        for (int i = 0; i < params.texts.size(); ++i)
            values[i] = params.nulls[i] ? nullptr : params.texts[i].constData();
        const QByteArray name = *it;
        return await(
            [&](PGconn *c) {
                return PQsendQueryPrepared(c, name.constData(), int(values.size()), values.constData(), nullptr,
                                           nullptr, 0);
            },
            g_answerLimitMs, true, answerLine());
    }

    // A statement without parameters, not prepared (the ends of a change).
    Result simple(const char *sql, const QString &what)
    {
        Result result = run(sql);
        check(result.get(), what);
        return result;
    }

    const TableMeta &meta(const QString &table) const
    {
        auto it = tables.find(table);
        if (it == tables.end())
            throw RecordsError(shown, QStringLiteral("the table %1 is missing").arg(table));
        return *it;
    }

    const TableMeta &metaField(const QString &table, int field) const
    {
        const TableMeta &m = meta(table);
        fieldAt(m.fields, field, table, shown);
        return m;
    }

    void readCatalog()
    {
        Result result = exec(QString::fromLatin1(kCatalogStatement), {}, QStringLiteral("cannot read the tables"));
        tables.clear();
        for (int r = 0; r < PQntuples(result.get()); ++r) {
            TableMeta &m = tables[QString::fromUtf8(PQgetvalue(result.get(), r, 0))];
            m.fields << QString::fromUtf8(PQgetvalue(result.get(), r, 1));
            m.types << Oid(QByteArray(PQgetvalue(result.get(), r, 2)).toUInt());
        }
    }
};

namespace {

std::optional<qint64> firstKeyOf(const Result &result)
{
    if (PQntuples(result.get()) == 0 || PQgetisnull(result.get(), 0, 0))
        return std::nullopt;
    return cellKey(result.get(), 0);
}

// Row r of a result that holds the key first and then every field.
Row rowOf(const PGresult *result, int r)
{
    Row row;
    row.key = cellKey(result, r);
    const int columns = PQnfields(result);
    row.values.reserve(columns - 1);
    for (int c = 1; c < columns; ++c)
        row.values << cellValue(result, r, c);
    return row;
}

std::shared_ptr<PgHandle> connect(const QString &location)
{
    auto h = std::make_shared<PgHandle>();
    h->location = location;
    h->shown = locationWithoutPassword(location);
    h->connectNow();
    h->readCatalog();
    h->listen();
    h->pendingChanges.clear();
    for (const TableDef &table : recordsTables()) {
        const QString name = QString::fromLatin1(table.name);
        if (!h->tables.contains(name))
            throw RecordsError(h->shown, QStringLiteral("the table %1 is missing: inventory-admin create makes the "
                                                        "records tables in an empty database")
                                             .arg(name));
        for (const QString &field : table.required)
            if (!h->tables[name].fields.contains(field))
                throw RecordsError(h->shown,
                                   QStringLiteral("the field %1 of the table %2 is missing").arg(field, name));
    }
    if (!h->tables.contains(QStringLiteral("inventory_state")))
        throw RecordsError(h->shown, QStringLiteral("the table inventory_state is missing: inventory-admin create "
                                                    "makes the records tables in an empty database"));
    return h;
}

} // namespace

std::shared_ptr<PgConnection> PgConnection::open(const QString &location)
{
    auto &handles = registry();
    std::shared_ptr<PgHandle> handle;
    if (auto it = handles.find(location); it != handles.end())
        handle = it->second.lock();
    if (!handle) {
        handle = connect(location);
        handles[location] = handle;
    }
    return std::shared_ptr<PgConnection>(new PgConnection(handle));
}

void PgConnection::setLockWait(int ms)
{
    g_lockWaitMs = ms;
}

void PgConnection::setTimeLimits(int connectMs, int answerMs)
{
    g_connectLimitMs = connectMs;
    g_answerLimitMs = answerMs;
}

int PgConnection::connectionsMade()
{
    return g_connectionsMade;
}

PgConnection::PgConnection(std::shared_ptr<PgHandle> handle) : m_handle(std::move(handle))
{
}

PgConnection::~PgConnection() = default;

QString PgConnection::path() const
{
    return m_handle->shown;
}

QStringList PgConnection::fields(const QString &table)
{
    return m_handle->meta(table).fields;
}

qint64 PgConnection::count(const QString &table)
{
    m_handle->meta(table);
    return firstKeyOf(m_handle->exec(QStringLiteral("SELECT count(*) FROM %1").arg(quoted(table)), {},
                                     QStringLiteral("cannot count the rows of %1").arg(table)))
        .value_or(0);
}

std::optional<qint64> PgConnection::firstKey(const QString &table)
{
    m_handle->meta(table);
    return firstKeyOf(m_handle->exec(QStringLiteral("SELECT \"ID\" FROM %1 ORDER BY \"ID\" LIMIT 1").arg(quoted(table)),
                                     {}, QStringLiteral("cannot read the table %1").arg(table)));
}

std::optional<qint64> PgConnection::lastKey(const QString &table)
{
    m_handle->meta(table);
    return firstKeyOf(
        m_handle->exec(QStringLiteral("SELECT \"ID\" FROM %1 ORDER BY \"ID\" DESC LIMIT 1").arg(quoted(table)), {},
                       QStringLiteral("cannot read the table %1").arg(table)));
}

std::optional<qint64> PgConnection::nextKey(const QString &table, qint64 key)
{
    return keyAtOffset(table, key, 1);
}

std::optional<qint64> PgConnection::keyAtOffset(const QString &table, qint64 key, qint64 offset)
{
    m_handle->meta(table);
    if (offset == 0)
        return key;
    const QString sql =
        offset > 0 ? QStringLiteral("SELECT \"ID\" FROM %1 WHERE \"ID\" > $1 ORDER BY \"ID\" LIMIT 1 OFFSET $2")
                   : QStringLiteral("SELECT \"ID\" FROM %1 WHERE \"ID\" < $1 ORDER BY \"ID\" DESC LIMIT 1 OFFSET $2");
    return firstKeyOf(m_handle->exec(sql.arg(quoted(table)), Params() << key << ((offset > 0 ? offset : -offset) - 1),
                                     QStringLiteral("cannot read the table %1").arg(table)));
}

std::optional<Row> PgConnection::read(const QString &table, qint64 key)
{
    m_handle->meta(table);
    Result result = m_handle->exec(QStringLiteral("SELECT \"ID\", * FROM %1 WHERE \"ID\" = $1").arg(quoted(table)),
                                   Params() << key, QStringLiteral("cannot read the table %1").arg(table));
    if (PQntuples(result.get()) == 0)
        return std::nullopt;
    return rowOf(result.get(), 0);
}

void PgConnection::forEach(const QString &table, const std::function<void(const Row &)> &fn)
{
    m_handle->meta(table);
    // The whole result is in memory before the first call: the callback may
    // run statements of its own on the same connection.
    Result result = m_handle->exec(QStringLiteral("SELECT \"ID\", * FROM %1 ORDER BY \"ID\"").arg(quoted(table)), {},
                                   QStringLiteral("cannot read the table %1").arg(table));
    for (int r = 0; r < PQntuples(result.get()); ++r)
        fn(rowOf(result.get(), r));
}

void PgConnection::forEachValue(const QString &table, int field,
                                const std::function<void(qint64 key, const QVariant &value)> &fn)
{
    const TableMeta &meta = m_handle->metaField(table, field);
    Result result =
        m_handle->exec(QStringLiteral("SELECT \"ID\", %2 FROM %1").arg(quoted(table), quoted(meta.fields[field])), {},
                       QStringLiteral("cannot read the table %1").arg(table));
    for (int r = 0; r < PQntuples(result.get()); ++r)
        fn(cellKey(result.get(), r), cellValue(result.get(), r, 1));
}

QStringList PgConnection::columnText(const QString &table, int field)
{
    const TableMeta &meta = m_handle->metaField(table, field);
    Result result = m_handle->exec(
        QStringLiteral("SELECT %2 FROM %1 ORDER BY \"ID\"").arg(quoted(table), quoted(meta.fields[field])), {},
        QStringLiteral("cannot read the table %1").arg(table));
    QStringList texts;
    const int rows = PQntuples(result.get());
    texts.reserve(rows);
    for (int r = 0; r < rows; ++r)
        texts << cellText(result.get(), r, 0);
    return texts;
}

namespace {

// The statement that reads the key and the given fields of up to $2 rows in
// stored order: from the row whose key is $1 on (skip 0), or beginning $3 + 1
// rows after it (skip > 0) or before it (skip < 0).
QString rowsStatement(const PgHandle &h, const QString &table, const QVector<int> &fields, int skip)
{
    const TableMeta &meta = h.meta(table);
    QStringList columns{QStringLiteral("\"ID\"")};
    for (int field : fields)
        columns << quoted(fieldAt(meta.fields, field, table, h.shown));
    QString sql;
    if (skip == 0)
        sql = QStringLiteral("SELECT %2 FROM %1 WHERE \"ID\" >= $1 ORDER BY \"ID\" LIMIT $2");
    else if (skip > 0)
        sql = QStringLiteral("SELECT %2 FROM %1 WHERE \"ID\" > $1 ORDER BY \"ID\" LIMIT $2 OFFSET $3");
    else
        sql =
            QStringLiteral("SELECT %2 FROM %1 WHERE \"ID\" >= (SELECT \"ID\" FROM %1 WHERE \"ID\" < $1 ORDER BY \"ID\" "
                           "DESC LIMIT 1 OFFSET $3) ORDER BY \"ID\" LIMIT $2");
    return sql.arg(quoted(table), columns.join(QLatin1String(", ")));
}

} // namespace

QVector<Row> PgConnection::readRows(const QString &table, const QVector<int> &fields, std::optional<qint64> from,
                                    int limit)
{
    Result result = m_handle->exec(rowsStatement(*m_handle, table, fields, 0),
                                   Params() << from.value_or(std::numeric_limits<qint64>::min()) << limit,
                                   QStringLiteral("cannot read the table %1").arg(table));
    QVector<Row> rows;
    const int count = PQntuples(result.get());
    rows.reserve(count);
    for (int r = 0; r < count; ++r)
        rows << rowOf(result.get(), r);
    return rows;
}

QVector<TextRow> PgConnection::readTextsFrom(const QString &table, const QVector<int> &fields, qint64 from, int skip,
                                             int limit)
{
    Params params;
    params << from << limit;
    if (skip != 0)
        params << ((skip > 0 ? qint64(skip) : -qint64(skip)) - 1);
    Result result = m_handle->exec(rowsStatement(*m_handle, table, fields, skip), params,
                                   QStringLiteral("cannot read the table %1").arg(table));
    return textRows(result.get(), int(fields.size()));
}

DataVersion PgConnection::dataVersion()
{
    // Every write moves the version row (the tables' triggers), so one
    // number says it all; inside a change it is read under the change's
    // lock, in a read group as the group sees the database.
    try {
        if (m_handle->transactionDepth > 0 && m_handle->lockedVersion)
            return DataVersion{m_handle->serial, 0, *m_handle->lockedVersion + m_handle->writesUnderLock};
        Result result =
            m_handle->exec(QString::fromLatin1(kVersionStatement), {}, QStringLiteral("cannot read the version"));
        const std::optional<qint64> version = firstKeyOf(result);
        if (!version)
            return {};
        return DataVersion{m_handle->serial, 0, *version};
    } catch (const RecordsError &) {
        return {};
    }
}

namespace {

// The rows of an ordered read: the key, then the fields, of the rows
// readOrdered describes.
Result orderedRows(PgHandle &h, const QString &table, const QVector<int> &fields, const OrderedRead &how)
{
    const int bounds = (how.match >= 0 ? 1 : 0) | (!how.from.isNull() ? 2 : 0) | (!how.until.isNull() ? 4 : 0)
                       | (how.after ? 8 : 0) | (how.inclusive ? 16 : 0) | (how.descending ? 32 : 0);
    // Made once per shape: a page turn builds no text of SQL.
    const auto shape = std::make_tuple(table, fields, how.order, how.match, bounds);
    auto it = h.orderedReads.find(shape);
    if (it == h.orderedReads.end()) {
        const auto column = [&](int field) { return quoted(h.metaField(table, field).fields[field]); };
        QStringList columns{QStringLiteral("\"ID\"")};
        for (int field : fields)
            columns << column(field);
        const QString order = column(how.order);
        // Plain comparisons and a row value, which the indexes on (order,
        // ID) and (match, order, ID) serve: no sort, and the rows before the
        // place are not stepped over.
        QStringList where;
        int parameter = 0;
        const auto next = [&] { return QStringLiteral("$%1").arg(++parameter); };
        if (how.match >= 0)
            where << column(how.match) + QStringLiteral(" = ") + next();
        if (!how.from.isNull())
            where << order + QStringLiteral(" >= ") + next();
        if (!how.until.isNull())
            where << order + QStringLiteral(" < ") + next();
        if (how.after) {
            const QString op = how.descending ? (how.inclusive ? QStringLiteral("<=") : QStringLiteral("<"))
                                              : (how.inclusive ? QStringLiteral(">=") : QStringLiteral(">"));
            const QString value = next();
            where << QStringLiteral("(%1, \"ID\") %2 (%3, %4)").arg(order, op, value, next());
        }
        const QString direction = how.descending ? QStringLiteral(" DESC") : QString();
        const QString limit = next();
        const QString offset = next();
        it = h.orderedReads
                 .emplace(shape,
                          QStringLiteral("SELECT %1 FROM %2%3 ORDER BY %4%5, \"ID\"%5 LIMIT %6 OFFSET %7")
                              .arg(columns.join(QLatin1String(", ")), quoted(table),
                                   where.isEmpty() ? QString()
                                                   : QStringLiteral(" WHERE ") + where.join(QLatin1String(" AND ")),
                                   order, direction, limit, offset))
                 .first;
    }
    Params params;
    if (how.match >= 0)
        params << how.matchValue;
    if (!how.from.isNull())
        params << how.from;
    if (!how.until.isNull())
        params << how.until;
    if (how.after)
        params << how.after->first << how.after->second;
    params << how.limit << how.skip;
    return h.exec(it->second, params, QStringLiteral("cannot read the table %1").arg(table));
}

} // namespace

QVector<Row> PgConnection::readOrdered(const QString &table, const QVector<int> &fields, const OrderedRead &how)
{
    Result result = orderedRows(*m_handle, table, fields, how);
    QVector<Row> rows;
    const int count = PQntuples(result.get());
    rows.reserve(count);
    for (int r = 0; r < count; ++r)
        rows << rowOf(result.get(), r);
    return rows;
}

QVector<TextRow> PgConnection::readOrderedTexts(const QString &table, const QVector<int> &fields,
                                                const OrderedRead &how)
{
    Result result = orderedRows(*m_handle, table, fields, how);
    return textRows(result.get(), int(fields.size()));
}

std::optional<Row> PgConnection::findFirst(const QString &table, int field, const QString &text)
{
    const TableMeta &meta = m_handle->metaField(table, field);
    // Exact and case-sensitive: the text columns compare byte by byte
    // (collation "C") and their index serves the look-up. A field of another
    // type is compared as the text it reads as.
    const QString column = quoted(meta.fields[field]);
    const QString condition = meta.isText(field) ? QStringLiteral("%1 = $1::text").arg(column)
                                                 : QStringLiteral("%1::text = $1::text").arg(column);
    Result result = m_handle->exec(
        QStringLiteral("SELECT \"ID\", * FROM %1 WHERE %2 ORDER BY \"ID\" LIMIT 1").arg(quoted(table), condition),
        Params() << text, QStringLiteral("cannot read the table %1").arg(table));
    if (PQntuples(result.get()) == 0)
        return std::nullopt;
    return rowOf(result.get(), 0);
}

namespace {

// A write outside a change is a change of its own: it takes the writers'
// lock too, and its commit is one whose outcome can be lost.
class OwnChange {
public:
    explicit OwnChange(PgConnection &connection) : m_connection(connection) { m_connection.begin(); }
    ~OwnChange()
    {
        if (!m_done) {
            try {
                m_connection.rollback();
            } catch (...) {
            }
        }
    }
    void commit()
    {
        m_done = true;
        m_connection.commit();
    }

private:
    PgConnection &m_connection;
    bool m_done = false;
};

} // namespace

void PgConnection::update(const QString &table, qint64 key, const FieldChanges &changes)
{
    if (changes.isEmpty())
        return;
    m_handle->requireWritable();
    const TableMeta &meta = m_handle->meta(table);
    QStringList sets;
    Params params;
    for (const auto &change : changes) {
        sets << QStringLiteral("%1 = $%2").arg(quoted(meta.fields.value(change.first))).arg(sets.size() + 1);
        params << change.second;
    }
    params << key;
    OwnChange change(*this);
    ++m_handle->writesUnderLock;
    m_handle->exec(QStringLiteral("UPDATE %1 SET %2 WHERE \"ID\" = $%3")
                       .arg(quoted(table), sets.join(QLatin1String(", ")))
                       .arg(params.texts.size()),
                   params, QStringLiteral("cannot write to the table %1").arg(table));
    change.commit();
}

qint64 PgConnection::insert(const QString &table, const FieldChanges &values)
{
    m_handle->requireWritable();
    const TableMeta &meta = m_handle->meta(table);
    QString sql;
    Params params;
    if (values.isEmpty()) {
        sql = QStringLiteral("INSERT INTO %1 DEFAULT VALUES RETURNING \"ID\"").arg(quoted(table));
    } else {
        QStringList names, marks;
        for (const auto &value : values) {
            names << quoted(meta.fields.value(value.first));
            marks << QStringLiteral("$%1").arg(marks.size() + 1);
            params << value.second;
        }
        sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3) RETURNING \"ID\"")
                  .arg(quoted(table), names.join(QLatin1String(", ")), marks.join(QLatin1String(", ")));
    }
    OwnChange change(*this);
    ++m_handle->writesUnderLock;
    const std::optional<qint64> key =
        firstKeyOf(m_handle->exec(sql, params, QStringLiteral("cannot add a row to the table %1").arg(table)));
    change.commit();
    return key.value_or(0);
}

void PgConnection::remove(const QString &table, qint64 key)
{
    m_handle->requireWritable();
    m_handle->meta(table);
    OwnChange change(*this);
    ++m_handle->writesUnderLock;
    m_handle->exec(QStringLiteral("DELETE FROM %1 WHERE \"ID\" = $1").arg(quoted(table)), Params() << key,
                   QStringLiteral("cannot delete from the table %1").arg(table));
    change.commit();
}

void PgConnection::removeAll(const QString &table)
{
    m_handle->requireWritable();
    m_handle->meta(table);
    OwnChange change(*this);
    ++m_handle->writesUnderLock;
    m_handle->exec(QStringLiteral("DELETE FROM %1").arg(quoted(table)), {},
                   QStringLiteral("cannot delete from the table %1").arg(table));
    change.commit();
}

void PgConnection::begin()
{
    m_handle->requireWritable();
    if (m_handle->transactionDepth++ > 0)
        return;
    try {
        m_handle->ensureConnected();
        m_handle->databaseLimits();
        // The writers' lock first: every read of the change is made under
        // it. Nothing is read or written yet, so a lost connection or a
        // conflict here is simply tried again.
        for (int attempt = 0;; ++attempt) {
            const QByteArray statement = lockStatement();
            Result result = m_handle->await([&](PGconn *c) { return PQsendQuery(c, statement.constData()); },
                                            g_lockWaitMs + std::min(kLockGraceMs, g_answerLimitMs), false,
                                            QStringLiteral("Waiting for another clerk's change to %1 to finish...")
                                                .arg(m_handle->shown));
            const bool ok = PQresultStatus(result.get()) == PGRES_TUPLES_OK;
            if (ok) {
                m_handle->lockedVersion = firstKeyOf(result);
                m_handle->writesUnderLock = 0;
                return;
            }
            const bool lost = m_handle->lost();
            const char *state = PQresultErrorField(result.get(), PG_DIAG_SQLSTATE);
            const bool conflict = isConflict(state);
            if (!lost && PQtransactionStatus(m_handle->conn) != PQTRANS_IDLE)
                m_handle->run("ROLLBACK");
            if (!lost && qstrcmp(state, "55P03") == 0)
                throw RecordsError(m_handle->shown,
                                   QStringLiteral("another program's change has held it for %1 seconds; nothing "
                                                  "was written, try again in a moment")
                                       .arg(seconds(g_lockWaitMs)));
            // A wait that ran out or was given up is not tried again.
            if (m_handle->dropped != Wake::Ready)
                m_handle->unreachable();
            if (attempt >= 2 || !(lost || conflict)) {
                m_handle->check(result.get(), QStringLiteral("cannot start a change"));
                throw RecordsError(m_handle->shown, QStringLiteral("cannot start a change"));
            }
            if (lost)
                m_handle->reconnect();
        }
    } catch (...) {
        --m_handle->transactionDepth;
        throw;
    }
}

void PgConnection::commit()
{
    PgHandle &h = *m_handle;
    if (h.transactionDepth == 0 || --h.transactionDepth > 0)
        return;
    h.lockedVersion.reset();
    if (h.rollbackOnly) {
        h.rollbackOnly = false;
        if (!h.lost())
            h.run("ROLLBACK");
        throw RecordsError(h.shown, QStringLiteral("a part of the change failed, nothing was written"));
    }
    if (h.lost())
        h.unreachable(); // the server rolled the change back when the connection went
    // Its answer is waited for as for any statement; one that never comes
    // leaves the outcome unknown (the connection is dropped).
    Result result = h.run("COMMIT");
    if (PQresultStatus(result.get()) != PGRES_COMMAND_OK) {
        if (h.lost())
            throw RecordsError(h.shown, QString::fromUtf8(PQerrorMessage(h.conn)).trimmed(),
                               RecordsError::Kind::OutcomeUnknown);
        const QString why = QString::fromUtf8(PQresultErrorField(result.get(), PG_DIAG_MESSAGE_PRIMARY));
        if (PQtransactionStatus(h.conn) != PQTRANS_IDLE)
            h.run("ROLLBACK");
        throw RecordsError(h.shown, QStringLiteral("the change could not be saved, nothing was written (%1)").arg(why));
    }
    // A change in which a statement failed ends in a rollback, not a commit.
    if (qstrcmp(PQcmdStatus(result.get()), "ROLLBACK") == 0)
        throw RecordsError(h.shown, QStringLiteral("a part of the change failed, nothing was written"));
}

void PgConnection::rollback()
{
    PgHandle &h = *m_handle;
    if (h.transactionDepth == 0)
        return;
    if (--h.transactionDepth > 0) {
        h.rollbackOnly = true;
        return;
    }
    h.rollbackOnly = false;
    h.lockedVersion.reset();
    // A lost connection took the change with it: nothing is left to undo.
    if (!h.lost() && PQtransactionStatus(h.conn) != PQTRANS_IDLE)
        h.simple("ROLLBACK", QStringLiteral("cannot roll back"));
}

int PgConnection::changeSocket()
{
    return m_handle->lost() ? -1 : PQsocket(m_handle->conn);
}

QStringList PgConnection::takeChanges()
{
    PgHandle &h = *m_handle;
    QStringList tables;
    std::swap(tables, h.pendingChanges);
    if (h.lost())
        return tables;
    PQconsumeInput(h.conn);
    const int self = PQbackendPID(h.conn);
    while (PGnotify *notify = PQnotifies(h.conn)) {
        const QString table = QString::fromUtf8(notify->extra);
        // This program's own writes: its windows follow them already.
        if (notify->be_pid != self && !tables.contains(table))
            tables << table;
        PQfreemem(notify);
    }
    return tables;
}

void PgConnection::beginRead()
{
    PgHandle &h = *m_handle;
    if (h.readDepth++ > 0 || h.transactionDepth > 0)
        return;
    try {
        h.ensureConnected();
        Result result = h.run("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY");
        if (PQresultStatus(result.get()) != PGRES_COMMAND_OK && h.lost() && h.dropped == Wake::Ready) {
            h.reconnect();
            result = h.run("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY");
        }
        h.check(result.get(), QStringLiteral("cannot read"));
    } catch (...) {
        --h.readDepth;
        throw;
    }
    h.readOpen = true;
}

void PgConnection::endRead()
{
    PgHandle &h = *m_handle;
    if (h.readDepth == 0 || --h.readDepth > 0 || !h.readOpen)
        return;
    h.readOpen = false;
    if (!h.lost() && PQtransactionStatus(h.conn) != PQTRANS_IDLE)
        h.simple("COMMIT", QStringLiteral("cannot end a read"));
}

std::optional<QString> makeServerRecords(const QString &location, const QStringList &statements,
                                         const std::function<void(const AddRow &add)> &fill)
{
    const QString shown = locationWithoutPassword(location);
    auto h = std::make_shared<PgHandle>();
    h->location = location;
    h->shown = shown;
    try {
        h->connectNow();
    } catch (const RecordsError &e) {
        return e.message();
    }
    const auto run = [&](const QString &sql, const Params &params = {}) {
        QVector<const char *> values(params.texts.size());
        for (int i = 0; i < params.texts.size(); ++i)
            values[i] = params.nulls[i] ? nullptr : params.texts[i].constData();
        const QByteArray text = sql.toUtf8();
        Result result = h->await(
            [&](PGconn *c) {
                return PQsendQueryParams(c, text.constData(), int(values.size()), nullptr, values.constData(), nullptr,
                                         nullptr, 0);
            },
            g_answerLimitMs, true, h->answerLine());
        const ExecStatusType status = PQresultStatus(result.get());
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
            if (h->lost())
                h->unreachable();
            throw RecordsError(shown, QString::fromUtf8(PQerrorMessage(h->conn)).trimmed());
        }
        return result;
    };
    try {
        run(QStringLiteral("BEGIN"));
        // Whatever of ours is there already, the database is left as it is.
        Result present =
            run(QStringLiteral("SELECT count(*) FROM pg_catalog.pg_class WHERE relnamespace = "
                               "pg_catalog.current_schema()::regnamespace AND relname IN ('Items', 'Itemsout', 'Misc', "
                               "'inventory_state')"));
        if (QByteArray(PQgetvalue(present.get(), 0, 0)) != "0") {
            run(QStringLiteral("ROLLBACK"));
            return QStringLiteral("%1 already holds records tables; it is left as it is").arg(shown);
        }
        for (const QString &statement : statements)
            run(statement);
        fill([&](const QString &table, const QStringList &fields, const QVariantList &values) {
            QStringList names, marks;
            Params params;
            for (int i = 0; i < fields.size(); ++i) {
                names << quoted(fields[i]);
                marks << QStringLiteral("$%1").arg(i + 1);
                params << values.value(i);
            }
            run(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                    .arg(quoted(table), names.join(QLatin1String(", ")), marks.join(QLatin1String(", "))),
                params);
        });
        run(QStringLiteral("COMMIT"));
        // Every session of the database gets the time limits.
        h->databaseLimits();
    } catch (const RecordsError &e) {
        return e.reason();
    }
    return std::nullopt;
}

qint64 PgConnection::otherClients()
{
    // The server hides the kind of another role's session from a role
    // without the right to see statistics (the database's owner, say): a
    // session with a user whose kind is hidden is a client too. The
    // server's own workers have no user.
    Result result = m_handle->exec(
        QStringLiteral("SELECT count(*) FROM pg_catalog.pg_stat_activity WHERE datname = pg_catalog.current_database() "
                       "AND pid <> pg_catalog.pg_backend_pid() AND (backend_type = 'client backend' OR "
                       "(backend_type IS NULL AND usesysid IS NOT NULL))"),
        {}, QStringLiteral("cannot tell who is connected"));
    return firstKeyOf(result).value_or(0);
}

void PgConnection::insertRows(const QString &table, const QVector<int> &fields, const QVector<Row> &rows)
{
    if (rows.isEmpty())
        return;
    m_handle->requireWritable();
    const TableMeta &meta = m_handle->meta(table);
    QStringList names;
    for (int field : fields)
        names << quoted(fieldAt(meta.fields, field, table, m_handle->shown));
    // Well within the server's limit of parameters a statement.
    const int perStatement = std::clamp(30000 / int(std::max<qsizetype>(1, fields.size())), 1, 1000);
    OwnChange change(*this);
    for (int first = 0; first < rows.size(); first += perStatement) {
        const int count = std::min(perStatement, int(rows.size()) - first);
        QStringList tuples;
        Params params;
        for (int r = first; r < first + count; ++r) {
            QStringList marks;
            for (int c = 0; c < fields.size(); ++c) {
                params << rows[r].values.value(c);
                marks << QStringLiteral("$%1").arg(params.texts.size());
            }
            tuples << QLatin1Char('(') + marks.join(QLatin1String(", ")) + QLatin1Char(')');
        }
        ++m_handle->writesUnderLock;
        m_handle->exec(QStringLiteral("INSERT INTO %1 (%2) VALUES %3")
                           .arg(quoted(table), names.join(QLatin1String(", ")), tuples.join(QLatin1String(", "))),
                       params, QStringLiteral("cannot add rows to the table %1").arg(table));
    }
    change.commit();
}

void PgConnection::numberPastKeys()
{
    for (const TableDef &table : recordsTables()) {
        const QString name = quoted(QString::fromLatin1(table.name));
        m_handle->exec(
            QStringLiteral("SELECT pg_catalog.setval(s::regclass, greatest((SELECT coalesce(max(\"ID\"), 0) FROM %1), "
                           "coalesce(pg_catalog.pg_sequence_last_value(s::regclass), 0), 1)) "
                           "FROM pg_catalog.pg_get_serial_sequence($1, 'ID') AS s")
                .arg(name),
            Params() << name, QStringLiteral("cannot number the rows of %1").arg(name));
    }
}

} // namespace inv
