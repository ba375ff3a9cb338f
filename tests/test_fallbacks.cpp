// The plain versions the engine interface gives every engine (the readers
// of a column, of rows from a key and of texts around a key, the version,
// the delete of every row) run here on a small engine kept in memory, and
// must read what the file engine's own versions read from the same rows.

#include "data/core/connection.h"
#include "data/core/recordset.h"
#include "data/engines/file/sqlcipherconnection.h"
#include "support/testdb.h"

#include <QTemporaryDir>
#include <QTest>

#include <map>

using namespace inv;
using testing::TestDb;

namespace {

// Rows by key in maps; a transaction is a copy of the tables to go back to.
// Only what every engine must give is written here.
class MemoryConnection : public Connection {
public:
    struct Table {
        QStringList fields;
        std::map<qint64, QVector<QVariant>> rows;
    };

    QString path() const override { return QStringLiteral("memory"); }
    QStringList fields(const QString &table) override { return at(table).fields; }
    qint64 count(const QString &table) override { return qint64(at(table).rows.size()); }
    std::optional<qint64> firstKey(const QString &table) override
    {
        const auto &rows = at(table).rows;
        return rows.empty() ? std::nullopt : std::optional<qint64>(rows.begin()->first);
    }
    std::optional<qint64> lastKey(const QString &table) override
    {
        const auto &rows = at(table).rows;
        return rows.empty() ? std::nullopt : std::optional<qint64>(rows.rbegin()->first);
    }
    std::optional<qint64> nextKey(const QString &table, qint64 key) override { return keyAtOffset(table, key, 1); }
    std::optional<qint64> keyAtOffset(const QString &table, qint64 key, qint64 offset) override
    {
        const auto &rows = at(table).rows;
        if (offset == 0)
            return key;
        if (offset > 0) {
            auto it = rows.upper_bound(key);
            for (qint64 i = 1; i < offset && it != rows.end(); ++i)
                ++it;
            return it == rows.end() ? std::nullopt : std::optional<qint64>(it->first);
        }
        auto it = rows.lower_bound(key);
        for (qint64 i = 0; i < -offset; ++i) {
            if (it == rows.begin())
                return std::nullopt;
            --it;
        }
        return it->first;
    }
    std::optional<Row> read(const QString &table, qint64 key) override
    {
        const auto &rows = at(table).rows;
        const auto it = rows.find(key);
        return it == rows.end() ? std::nullopt : std::optional<Row>(Row{it->first, it->second});
    }
    void forEach(const QString &table, const std::function<void(const Row &)> &fn) override
    {
        for (const auto &[key, values] : at(table).rows)
            fn(Row{key, values});
    }
    void forEachValue(const QString &table, int field, const std::function<void(qint64, const QVariant &)> &fn) override
    {
        for (const auto &[key, values] : at(table).rows)
            fn(key, values.value(field));
    }
    std::optional<Row> findFirst(const QString &table, int field, const QString &text) override
    {
        for (const auto &[key, values] : at(table).rows)
            if (!values.value(field).isNull() && values.value(field).toString() == text)
                return Row{key, values};
        return std::nullopt;
    }
    void update(const QString &table, qint64 key, const FieldChanges &changes) override
    {
        for (const auto &[field, value] : changes)
            at(table).rows.at(key)[field] = value;
    }
    qint64 insert(const QString &table, const FieldChanges &values) override
    {
        Table &t = at(table);
        const qint64 key = t.rows.empty() ? 1 : t.rows.rbegin()->first + 1;
        QVector<QVariant> row(t.fields.size());
        for (const auto &[field, value] : values)
            row[field] = value;
        t.rows[key] = row;
        return key;
    }
    void remove(const QString &table, qint64 key) override
    {
        if (failAtKey && *failAtKey == key)
            throw RecordsError(path(), QStringLiteral("the disk failed"));
        at(table).rows.erase(key);
    }
    void begin() override
    {
        if (depth++ == 0)
            saved = tables;
    }
    void commit() override
    {
        if (depth > 0)
            --depth;
    }
    void rollback() override
    {
        if (depth > 0 && --depth == 0)
            tables = saved;
    }
    void beginRead() override { }
    void endRead() override { }

    Table &at(const QString &table)
    {
        const auto it = tables.find(table);
        if (it == tables.end())
            throw RecordsError(path(), QStringLiteral("the table %1 is missing").arg(table));
        return it->second;
    }

    std::map<QString, Table> tables;
    std::map<QString, Table> saved;
    int depth = 0;
    std::optional<qint64> failAtKey;
};

// The Itemsout rows of the cases: gaps between the keys, a value of each
// kind, a field without a value.
const QList<QVariantMap> kRows = {
    {{"item_no", "007"}, {"item_name", "Toner"}, {"quantity", 3}},
    {{"item_no", "2"}, {"item_name", "Bond paper"}, {"quantity", 2.5}},
    {{"item_no", "3"}, {"item_name", QVariant()}, {"quantity", 0}},
    {{"item_no", "4"}, {"item_name", "Stapler"}, {"quantity", -1}},
    {{"item_no", "5"}, {"item_name", "Glue"}, {"quantity", 12}},
};

} // namespace

class TestFallbacks : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        TestDb db(m_dir->path());
        for (const QVariantMap &row : kRows)
            db.row("Itemsout", row);
        // Gaps in the keys: the third and fifth rows go.
        testing::execSql(db.path(), "DELETE FROM Itemsout WHERE rowid IN (2, 4)");
        m_file = SqlCipherConnection::open(db.path());
        m_memory = std::make_shared<MemoryConnection>();
        MemoryConnection::Table table;
        table.fields = m_file->fields("Itemsout");
        m_file->forEach("Itemsout", [&](const Row &row) { table.rows[row.key] = row.values; });
        m_memory->tables["Itemsout"] = table;
        m_fields = {m_file->fields("Itemsout").indexOf("quantity"), m_file->fields("Itemsout").indexOf("item_no")};
    }

    void cleanup()
    {
        m_file.reset();
        m_memory.reset();
        m_dir.reset();
    }

    void columnText()
    {
        for (const QString field : {"item_no", "item_name", "quantity"}) {
            const int f = m_file->fields("Itemsout").indexOf(field);
            QCOMPARE(m_memory->Connection::columnText("Itemsout", f), m_file->columnText("Itemsout", f));
        }
    }

    void readRows_data()
    {
        QTest::addColumn<qint64>("start"); // -1: from the first row
        QTest::addColumn<int>("limit");
        QTest::addRow("from the start") << qint64(-1) << 10;
        QTest::addRow("from a key") << qint64(3) << 10;
        QTest::addRow("from a gap") << qint64(2) << 1;
        QTest::addRow("past the end") << qint64(9) << 10;
        QTest::addRow("none") << qint64(1) << 0;
    }

    void readRows()
    {
        QFETCH(qint64, start);
        QFETCH(int, limit);
        const std::optional<qint64> from = start < 0 ? std::nullopt : std::optional<qint64>(start);
        const QVector<Row> plain = m_memory->Connection::readRows("Itemsout", m_fields, from, limit);
        const QVector<Row> own = m_file->readRows("Itemsout", m_fields, from, limit);
        QCOMPARE(plain.size(), own.size());
        for (int i = 0; i < own.size(); ++i) {
            QCOMPARE(plain[i].key, own[i].key);
            QCOMPARE(plain[i].values, own[i].values);
        }
    }

    void readTextsFrom_data()
    {
        QTest::addColumn<qint64>("from");
        QTest::addColumn<int>("skip");
        QTest::addColumn<int>("limit");
        QTest::addRow("at a key") << qint64(3) << 0 << 2;
        QTest::addRow("at a gap") << qint64(4) << 0 << 5;
        QTest::addRow("after a key") << qint64(1) << 1 << 5;
        QTest::addRow("two after a key") << qint64(1) << 2 << 1;
        QTest::addRow("before a key") << qint64(5) << -1 << 5;
        QTest::addRow("two before a key") << qint64(5) << -2 << 5;
        QTest::addRow("before the first") << qint64(1) << -1 << 5;
        QTest::addRow("after the last") << qint64(5) << 1 << 5;
        QTest::addRow("before a gap") << qint64(4) << -1 << 1;
    }

    void readTextsFrom()
    {
        QFETCH(qint64, from);
        QFETCH(int, skip);
        QFETCH(int, limit);
        const auto texts = [](const QVector<TextRow> &rows) {
            QStringList out;
            for (const TextRow &row : rows)
                out << QString::number(row.key) + ":" + row.texts.join('|');
            return out;
        };
        QCOMPARE(texts(m_memory->Connection::readTextsFrom("Itemsout", m_fields, from, skip, limit)),
                 texts(m_file->readTextsFrom("Itemsout", m_fields, from, skip, limit)));
    }

    // An ordered read as text gives each field as fieldText gives its value,
    // where a column repeats itself, changes kind from row to row, or holds
    // no value: the file engine reuses the text of a cell like the one above.
    void orderedTextsShowTheValues()
    {
        const QString path = m_file->path();
        m_file.reset();
        testing::execSql(path, "INSERT INTO Journal (entered_at, user_name, kind, item_no, quantity_change, "
                               "remaining_quantity) VALUES "
                               "('2026-03-10 09:00:00', 'ann', 'removal', '007', -1, 5), "
                               "('2026-03-10 09:00:00', 'ann', 'removal', '007', -1, 5), "
                               "('2026-03-10 09:01:00', 'ann', 'undo', '7', 1, '5 boxes'), "
                               "('2026-03-10 09:02:00', NULL, 'undo', '', 2.5, '5 boxes'), "
                               "('2026-03-10 09:03:00', '', 'edit', NULL, 2.5, NULL), "
                               "('2026-03-10 09:04:00', 'Ann', 'édit', '007', '-1', 5), "
                               "('2026-03-10 09:05:00', 'Ann', 'édit', '007', 'x', 5)");
        m_file = SqlCipherConnection::open(path);
        const QStringList fields = m_file->fields("Journal");
        QVector<int> shown;
        for (const char *name : {"entered_at", "user_name", "kind", "item_no", "quantity_change", "remaining_quantity"})
            shown << int(fields.indexOf(QLatin1String(name)));
        for (bool descending : {false, true}) {
            OrderedRead how;
            how.order = shown[0];
            how.descending = descending;
            how.limit = 100;
            const QVector<Row> values = m_file->readOrdered("Journal", shown, how);
            const QVector<TextRow> texts = m_file->readOrderedTexts("Journal", shown, how);
            QCOMPARE(values.size(), 7);
            QCOMPARE(texts.size(), values.size());
            for (int r = 0; r < values.size(); ++r) {
                QCOMPARE(texts[r].key, values[r].key);
                QStringList expected;
                for (const QVariant &value : values[r].values)
                    expected << fieldText(value);
                QCOMPARE(texts[r].texts, expected);
            }
            // The interface's plain version gives the same.
            const QVector<TextRow> plain = m_file->Connection::readOrderedTexts("Journal", shown, how);
            QCOMPARE(plain.size(), texts.size());
            for (int r = 0; r < plain.size(); ++r)
                QCOMPARE(plain[r].texts, texts[r].texts);
        }
    }

    // A cursor on the memory engine pages as on the file.
    void cursorOnTheFallbacks()
    {
        Recordset memory(m_memory, "Itemsout");
        Recordset file(m_file, "Itemsout");
        memory.MoveLast();
        file.MoveLast();
        for (int skip : {0, -1, -2, 1}) {
            const auto a = memory.GetRowTexts(2, {"item_no", "quantity"}, skip);
            const auto b = file.GetRowTexts(2, {"item_no", "quantity"}, skip);
            QCOMPARE(a.size(), b.size());
            for (int i = 0; i < a.size(); ++i)
                QCOMPARE(a[i].texts, b[i].texts);
        }
        QCOMPARE(memory.columnText("item_name"), file.columnText("item_name"));
    }

    // An engine that cannot tell its version says so, and a version that is
    // not known equals nothing: a list that follows it is read again.
    void versionUnknown()
    {
        const DataVersion version = m_memory->dataVersion();
        QVERIFY(!version.known());
        QVERIFY(version != m_memory->dataVersion());
        QVERIFY(version != version);
    }

    // Every row goes, or none does.
    void removeAll()
    {
        m_memory->failAtKey = 5;
        QVERIFY_THROWS_EXCEPTION(RecordsError, m_memory->Connection::removeAll("Itemsout"));
        QCOMPARE(m_memory->count("Itemsout"), qint64(3));
        QCOMPARE(m_memory->depth, 0);
        m_memory->failAtKey.reset();
        {
            Transaction outer(m_memory);
            m_memory->Connection::removeAll("Itemsout");
            QCOMPARE(m_memory->count("Itemsout"), qint64(0));
        } // not committed: the caller's transaction takes it back
        QCOMPARE(m_memory->count("Itemsout"), qint64(3));
        m_memory->Connection::removeAll("Itemsout");
        QCOMPARE(m_memory->count("Itemsout"), qint64(0));
        m_file->removeAll("Itemsout");
        QCOMPARE(m_file->count("Itemsout"), qint64(0));
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::shared_ptr<Connection> m_file;
    std::shared_ptr<MemoryConnection> m_memory;
    QVector<int> m_fields;
};

QTEST_GUILESS_MAIN(TestFallbacks)
#include "test_fallbacks.moc"
