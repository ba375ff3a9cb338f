// A change whose commit the database could not confirm (the server stopped
// answering at that moment) is never sent again: after its one sentence,
// every open window reads what it shows again, so that the lists show what
// was really stored. The connection here answers one commit so after having
// really committed, or really rolled back, the change: the two cases a
// program cannot tell apart.

#include "data/stock/module1.h"
#include "items/frmadd.h"
#include "items/frmdelete.h"
#include "items/frmedit.h"
#include "items/frmupdate.h"
#include "mainwindow/frmdeleteremove.h"
#include "mainwindow/frmmain.h"
#include "support/hookedconnection.h"
#include "support/scriptedprompts.h"
#include "support/testdb.h"
#include "support/windows.h"
#include "ui/sortedlist.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using namespace inv;
using testing::entries;
using testing::TestDb;
using Fate = testing::UnknownOutcome::Fate;

Q_DECLARE_METATYPE(Fate)

namespace {

const QString kUnknown = RecordsError({}, {}, RecordsError::Kind::OutcomeUnknown).message();

// The names of the items, as the item list shows them.
QStringList namesAsStored(const TestDb &db)
{
    QStringList names;
    for (int i = 0; i < db.count("Items"); ++i)
        names << db.value("Items", i, "item_name").toString();
    ui::sortCaseInsensitive(names);
    return names;
}

QStringList tallyAsStored(const TestDb &db)
{
    QStringList lines;
    for (int i = 0; i < db.count("Itemsout"); ++i)
        lines << frmmain::tallyLine(db.value("Itemsout", i, "item_name"), db.value("Itemsout", i, "quantity"));
    ui::sortCaseInsensitive(lines);
    return lines;
}

// The row of table whose item_no is number, field by field; empty when none.
QVariantMap rowOf(const TestDb &db, const QString &table, const QString &number)
{
    for (int i = 0; i < db.count(table); ++i)
        if (db.value(table, i, "item_no").toString() == number)
            return {{"name", db.value(table, i, "item_name")},
                    {"remaining", db.value(table, i, table == "Items" ? "remaining_quantity" : "quantity")}};
    return {};
}

} // namespace

class TestOutcomeUnknown : public QObject {
    Q_OBJECT

private slots:
    void init() { m_dir = testing::newProgramFolder(); }
    void cleanup()
    {
        m_main.reset();
        testing::endRun();
    }

    // Each write of the windows, its commit's outcome unknown: one sentence,
    // one commit sent and no second, and what every window shows afterwards
    // is what the database holds.
    void listsShowWhatWasStored_data()
    {
        QTest::addColumn<QString>("write");
        QTest::addColumn<Fate>("fate");
        QTest::addColumn<QString>("probe"); // "count:TABLE" or "TABLE:ITEMNO:FIELD"
        QTest::addColumn<QString>("ifCommitted");
        QTest::addColumn<QString>("ifRolledBack");
        const struct {
            const char *write, *probe, *committed, *rolledBack;
        } writes[] = {
            {"click", "Items:T-200:remaining_quantity", "4", "5"},
            {"undo", "Items:T-200:remaining_quantity", "5", "4"},
            {"clear", "count:Itemsout", "0", "2"},
            {"add", "count:Items", "3", "2"},
            {"edit", "Items:T-200:item_name", "Toner cartridge", "Toner"},
            {"delete", "count:Items", "1", "2"},
            {"update", "Items:T-200:remaining_quantity", "8", "5"},
            {"tally delete", "count:Itemsout", "1", "2"},
        };
        for (const auto &w : writes) {
            QTest::addRow("%s, committed", w.write)
                << w.write << Fate::Committed << w.probe << w.committed << w.rolledBack;
            QTest::addRow("%s, rolled back", w.write)
                << w.write << Fate::RolledBack << w.probe << w.committed << w.rolledBack;
        }
    }

    void listsShowWhatWasStored()
    {
        QFETCH(QString, write);
        QFETCH(Fate, fate);
        QFETCH(QString, probe);
        TestDb db(m_dir->path());
        db.misc("admin", "pw").item("T-200", "Toner", 5, 10, "50%").item("S-310", "Stapler", 8, 8, "100%");
        db.tally("T-200", "Toner", 2).tally("S-310", "Stapler", 1);
        testing::UnknownOutcome outcome;
        outcome.fate = fate;
        bool &armed = outcome.armed;
        const int &commits = outcome.commits;
        testing::ScopedFactory unknown([&](const QString &path) -> std::shared_ptr<Connection> {
            return std::make_shared<testing::UnknownOutcomeConnection>(testing::openLocation(path), outcome);
        });
        m_main = testing::showMainWithLists();
        QVERIFY(m_main);
        testing::ScriptedPrompts prompts;
        if (write == "undo")
            testing::clickEntryNamed(m_main->lstitem, "Toner"); // the click that the undo puts back
        QCOMPARE(prompts.messages.size(), 0);

        QWidget *child = nullptr;
        const auto open = [&](const char *entry) {
            child = m_main->openEntry(QLatin1String(entry));
            QVERIFY(child);
        };
        const int before = commits;
        if (write == "click") {
            armed = true;
            testing::clickEntryNamed(m_main->lstitem, "Toner");
        } else if (write == "undo") {
            armed = true;
            m_main->cmdundo();
        } else if (write == "clear") {
            armed = true;
            m_main->cmdclear();
        } else if (write == "add") {
            open("nAddItem");
            auto *w = static_cast<frmadd *>(child);
            w->txtitemno->setText("A-100");
            w->txtname->setText("Adhesive tape");
            w->txtoqua->setText("4");
            w->txtrqua->setText("4");
            w->txtdesc->setPlainText("clear");
            armed = true;
            w->cmdadd->click();
        } else if (write == "edit") {
            open("nEditItem");
            auto *w = static_cast<frmedit *>(child);
            w->txtitemno->setText("T-200");
            w->cmdsave->click();
            w->txtname->setText("Toner cartridge");
            armed = true;
            w->cmdsave->click();
        } else if (write == "delete") {
            open("nDeleteItem");
            auto *w = static_cast<frmdelete *>(child);
            w->txtitemno->setText("T-200");
            prompts.answer(ui::Answer::Yes);
            armed = true;
            w->cmddelete->click();
        } else if (write == "update") {
            open("nUpdate");
            auto *w = static_cast<frmupdate *>(child);
            w->cmbitemno->setEditText("T-200");
            w->cmbitemno_Click();
            QCOMPARE(w->lblqua->text(), QString("5"));
            w->txtqua->setText("3");
            armed = true;
            w->cmdadd_Click();
        } else if (write == "tally delete") {
            open("nDeleteRemovedItems");
            auto *w = static_cast<frmdeleteremove *>(child);
            w->txtitemno->setText("T-200");
            prompts.answer(ui::Answer::Yes);
            armed = true;
            w->cmddelete->click();
        }
        QVERIFY(!QTest::currentTestFailed());
        QVERIFY(!armed); // the commit was answered so

        // One sentence, one commit: nothing was sent again.
        QStringList unknownSaid;
        for (const testing::ShownMessage &m : prompts.messages)
            if (m.text == kUnknown)
                unknownSaid << m.text;
        QCOMPARE(unknownSaid.size(), 1);
        QCOMPARE(prompts.messages.last().text, kUnknown);
        QCOMPARE(commits - before, 1);
        QTEST(probed(db, probe), fate == Fate::Committed ? "ifCommitted" : "ifRolledBack");

        // The child window shows its item or row as stored.
        if (auto *w = qobject_cast<ItemShowWindow *>(child)) {
            const QVariantMap row = rowOf(db, "Items", "T-200");
            QCOMPARE(w->txtname->text(), row.value("name").toString());
            QCOMPARE(w->txtrqua->text(), row.value("remaining").toString());
            QVERIFY(!w->txtname->isEnabled());
        } else if (auto *w = qobject_cast<frmupdate *>(child)) {
            QCOMPARE(w->lblqua->text(), rowOf(db, "Items", "T-200").value("remaining").toString());
        } else if (auto *w = qobject_cast<frmdeleteremove *>(child)) {
            const QVariantMap row = rowOf(db, "Itemsout", "T-200");
            QCOMPARE(w->txtname->text(), row.value("name").toString());
            QCOMPARE(w->txtqua->text(), row.value("remaining").toString());
        }
        // The main window too, once it takes input again.
        if (child) {
            QVERIFY(!m_main->isEnabled());
            child->close();
            QTRY_VERIFY(m_main->isEnabled());
        }
        QTRY_COMPARE(entries(m_main->lstitem), namesAsStored(db));
        QTRY_COMPARE(entries(m_main->lstremove), tallyAsStored(db));
        QCOMPARE(commits - before, 1);
        VERIFY_PROMPTS(prompts);
    }

private:
    static QString probed(const TestDb &db, const QString &probe)
    {
        if (probe.startsWith("count:"))
            return QString::number(db.count(probe.mid(6)));
        const QStringList parts = probe.split(':');
        for (int i = 0; i < db.count(parts[0]); ++i)
            if (db.value(parts[0], i, "item_no").toString() == parts[1])
                return db.value(parts[0], i, parts[2]).toString();
        return QStringLiteral("(none)");
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<frmmain> m_main;
};

QTEST_MAIN(TestOutcomeUnknown)
#include "test_outcomeunknown.moc"
