// inventory-admin: creating databases and setting the company name, and its
// refusals (one line on standard error, a non-zero exit status).

#include "data/engines/file/sqlcipherconnection.h"
#include "data/stock/passwords.h"
#include "support/testdb.h"

#include <QProcess>
#include <QTest>

class TestAdmin : public QObject {
    Q_OBJECT

private slots:
    void init() { m_dir = std::make_unique<QTemporaryDir>(); }

    void createWithAccountCompanyAndDemo()
    {
        const QString path = m_dir->filePath("Store.mdb");
        QCOMPARE(run({"create", path, "--company", "Acme", "--user", " admin ", "--password", "s3cret", "--demo"}), 0);
        QCOMPARE(count(path, "Misc"), 1);
        QVERIFY(count(path, "Items") >= 3);
        QCOMPARE(count(path, "Itemsout"), 0);
        QCOMPARE(value(path, "Misc", "User").toString(), QString("admin"));
        QCOMPARE(value(path, "Misc", "coname").toString(), QString("Acme"));
        const QString stored = value(path, "Misc", "pass").toString();
        QVERIFY(inv::isPasswordHash(stored));
        QVERIFY(inv::checkPassword(stored, "s3cret"));
        QVERIFY(value(path, "Misc", "pat").isNull());
        QVERIFY(value(path, "Items", "Status").toString().endsWith('%'));

        QCOMPARE(run({"company", path, "Beta Supplies"}), 0);
        QCOMPARE(value(path, "Misc", "coname").toString(), QString("Beta Supplies"));
    }

    // "--password -" takes the password from standard input, so that it
    // never stands in the list of processes.
    void createReadsThePasswordFromInput()
    {
        const QString path = m_dir->filePath("Quiet.mdb");
        QProcess admin;
        admin.start(INVENTORY_ADMIN, {"create", path, "--user", "admin", "--password", "-"});
        admin.write("s3cret word\r\n");
        admin.closeWriteChannel();
        QVERIFY(admin.waitForFinished(30000));
        QCOMPARE(admin.exitCode(), 0);
        QVERIFY(inv::checkPassword(value(path, "Misc", "pass").toString(), "s3cret word"));
    }

    void createWithoutAccountIsAFirstRun()
    {
        const QString path = m_dir->filePath("Empty.mdb");
        QCOMPARE(run({"create", path}), 0);
        QCOMPARE(count(path, "Misc"), 0);
        QCOMPARE(count(path, "Items"), 0);
    }

    void refusals_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("error");
        QTest::addRow("existing file") << QStringList{"create", "@existing"} << "already exists";
        QTest::addRow("company without account")
            << QStringList{"create", "@new", "--company", "Acme"} << "--company needs --user and --password";
        QTest::addRow("user without password")
            << QStringList{"create", "@new", "--user", "admin"} << "--user and --password go together";
        QTest::addRow("blank password") << QStringList{"create", "@new", "--user", "a", "--password", "  "}
                                        << "must not be empty";
        QTest::addRow("no password on input")
            << QStringList{"create", "@new", "--user", "a", "--password", "-"} << "must not be empty";
        QTest::addRow("unknown option") << QStringList{"create", "@new", "--force"} << "unknown option --force";
        QTest::addRow("company on a first run") << QStringList{"company", "@existing", "Acme"} << "no account yet";
        QTest::addRow("company on a missing file") << QStringList{"company", "@new", "Acme"} << "does not exist";
        QTest::addRow("unknown command") << QStringList{"drop", "@existing"} << "unknown command drop";
    }

    void refusals()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, error);
        const QString existing = m_dir->filePath("Existing.mdb");
        QCOMPARE(run({"create", existing}), 0);
        const QByteArray before = contents(existing);
        const QString fresh = m_dir->filePath("New.mdb");
        args.replaceInStrings("@existing", existing);
        args.replaceInStrings("@new", fresh);

        QProcess admin;
        admin.start(INVENTORY_ADMIN, args);
        admin.closeWriteChannel();
        QVERIFY(admin.waitForFinished(30000));
        QVERIFY(admin.exitCode() != 0);
        const QString err = QString::fromUtf8(admin.readAllStandardError()).trimmed();
        QVERIFY2(err.contains(error), qPrintable(err));
        QVERIFY2(!err.contains('\n'), qPrintable(err));
        QVERIFY(!QFileInfo::exists(fresh));
        QCOMPARE(contents(existing), before);
    }

private:
    static int run(const QStringList &args)
    {
        QProcess admin;
        admin.start(INVENTORY_ADMIN, args);
        admin.closeWriteChannel();
        if (!admin.waitForFinished(30000))
            return -1;
        return admin.exitCode();
    }
    static QByteArray contents(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static int count(const QString &path, const QString &table)
    {
        return int(inv::SqlCipherConnection::open(path)->count(table));
    }
    static QVariant value(const QString &path, const QString &table, const QString &field)
    {
        auto cn = inv::SqlCipherConnection::open(path);
        auto row = cn->read(table, *cn->firstKey(table));
        return row->values.value(cn->fields(table).indexOf(field));
    }

    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_GUILESS_MAIN(TestAdmin)
#include "test_admin.moc"
