// inventory-admin: creates records databases and sets their company name,
// keeps them safe (check, backup, restore, export) and brings a stock list in
// from a spreadsheet (import). The program itself
// never creates a database; this command does.

#include "admin/historycommands.h"
#include "admin/itemimport.h"
#include "admin/maintenance.h"
#include "admin/provisioning.h"
#include "data/engines/server/pgconnection.h"
#include "data/schema/schema.h"
#include "data/stock/module1.h"
#include "version.h"

#include "data/stock/reorder.h"

#include <QCoreApplication>
#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringList>

#include <cmath>
#include <cstdio>
#include <termios.h>
#include <unistd.h>

namespace {

const char *const kUsage = "usage:\n"
                           "  inventory-admin create PATH [--company NAME] [--user NAME --password PASS] [--demo]\n"
                           "      creates a new records database at PATH (never overwrites a file);\n"
                           "      --user and --password add the account, --company needs them;\n"
                           "      --password - reads the password from the first line of standard\n"
                           "      input, so that it does not show in the list of processes;\n"
                           "      --demo adds a few demo items\n"
                           "      PATH may be a server address (postgresql://...): the tables are made in\n"
                           "      its empty database\n"
                           "  inventory-admin connect PATH LOCATION\n"
                           "      the program at PATH (or in the folder PATH) uses the database at\n"
                           "      LOCATION, a file or a postgresql:// address, from its next start\n"
                           "  inventory-admin company PATH NAME\n"
                           "      sets the company name of an existing database that has an account\n"
                           "  inventory-admin check PATH\n"
                           "      checks the file (integrity, tables and the balance of the stock\n"
                           "      history) without writing to it\n"
                           "  inventory-admin backup PATH DEST\n"
                           "      writes a checked copy of the database to DEST (a new file), also while\n"
                           "      the program has it open\n"
                           "  inventory-admin restore BACKUP PATH\n"
                           "      puts a sound backup in place of PATH, keeping the former file as\n"
                           "      PATH.before-restore; refused while the program has PATH open\n"
                           "      check, backup, restore, export, import, history and reorder also take\n"
                           "      a server address for PATH (postgresql://... or key=value settings\n"
                           "      such as \"host=db.example dbname=stock\"); a backup is a file, and a\n"
                           "      restore to a server is refused while other programs are connected;\n"
                           "      a password is never shown (keep it in ~/.pgpass)\n"
                           "  inventory-admin export PATH [--table Items|Itemsout] [--output FILE]\n"
                           "      writes a table as CSV (default Items) to FILE (a new file) or to\n"
                           "      standard output\n"
                           "  inventory-admin import PATH FILE.csv [--dry-run]\n"
                           "      adds the items of a CSV file whose header row names the Items fields\n"
                           "      (as export writes them), all or none; --dry-run checks and writes nothing\n"
                           "  inventory-admin history PATH [--item NO] [--since DATE] [--until DATE] [--output FILE]\n"
                           "      writes the stock history as CSV, oldest first: one item number, and\n"
                           "      the days from --since to --until (YYYY-MM-DD, both included)\n"
                           "  inventory-admin reorder PATH [--below PERCENT] [--output FILE]\n"
                           "      writes the items whose status is at most PERCENT (default 50) as\n"
                           "      CSV, lowest status first, with the quantity to order\n"
                           "  inventory-admin --help | --version\n";

// The one line shown for an option this command does not know.
const char *const kShortUsage = "usage: inventory-admin COMMAND ARGUMENTS... (inventory-admin --help lists them)\n";

// The first line of standard input, without its line end. Typed at a
// terminal, it is asked for and not echoed.
QString passwordFromInput()
{
    termios before{};
    const bool typed = ::isatty(STDIN_FILENO) && ::tcgetattr(STDIN_FILENO, &before) == 0;
    if (typed) {
        std::fputs("Password: ", stderr);
        termios quiet = before;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    QFile in;
    QByteArray line;
    if (in.open(stdin, QIODevice::ReadOnly))
        line = in.readLine();
    if (typed) {
        ::tcsetattr(STDIN_FILENO, TCSANOW, &before);
        std::fputs("\n", stderr);
    }
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return QString::fromUtf8(line);
}

// Every line the command writes about its work: without a password that a
// server address on the command line carries, whatever quoted it.
QString said(const QString &text)
{
    return inv::Secrets::cleared(text);
}

int fail(const QString &message)
{
    std::fprintf(stderr, "inventory-admin: %s\n", qPrintable(said(message)));
    return 1;
}

// Every problem a procedure found, one line each; the summary on success.
int report(const inv::AdminReport &result, bool summary = true)
{
    if (!result.ok()) {
        for (const QString &problem : result.problems)
            std::fprintf(stderr, "inventory-admin: %s\n", qPrintable(said(problem)));
        return 1;
    }
    if (summary)
        std::printf("%s\n", qPrintable(said(result.summary)));
    return 0;
}

int usage()
{
    std::fputs(kUsage, stderr);
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty() || args.first() == "--help" || args.first() == "-h") {
        std::fputs(kUsage, args.isEmpty() ? stderr : stdout);
        return args.isEmpty() ? 2 : 0;
    }
    if (args.first() == "--version") {
        std::printf("inventory-admin %s\n", inv::kVersion);
        return 0;
    }
    if (args.first().startsWith('-')) {
        std::fputs(kShortUsage, stderr);
        return 2;
    }
    const QString command = args.takeFirst();
    // The passwords of the server addresses given are noted: no line
    // written below shows them.
    for (const QString &arg : std::as_const(args))
        inv::locationWithoutPassword(arg);

    if (command == "create") {
        if (args.isEmpty() || args.first().startsWith("--"))
            return usage();
        const QString path = args.takeFirst();
        inv::NewDatabase options;
        bool hasUser = false, hasPassword = false;
        while (!args.isEmpty()) {
            const QString option = args.takeFirst();
            if (option == "--demo") {
                options.demo = true;
                continue;
            }
            if (option != "--company" && option != "--user" && option != "--password")
                return fail(QStringLiteral("unknown option %1").arg(option));
            if (args.isEmpty())
                return fail(QStringLiteral("%1 needs a value").arg(option));
            const QString value = args.takeFirst();
            if (option == "--company") {
                options.company = value;
            } else if (option == "--user") {
                options.user = value;
                hasUser = true;
            } else {
                options.password = value == QLatin1String("-") ? passwordFromInput() : value;
                hasPassword = true;
            }
        }
        if (hasUser != hasPassword)
            return fail(QStringLiteral("--user and --password go together"));
        if (hasUser && (options.user.trimmed().isEmpty() || options.password.trimmed().isEmpty()))
            return fail(QStringLiteral("the user name and the password must not be empty"));
        if (!options.company.isEmpty() && !hasUser)
            return fail(QStringLiteral("--company needs --user and --password: a database without an account "
                                       "starts with the creation of the account"));
        if (auto error = inv::createRecordsDatabase(path, options))
            return fail(*error);
        std::printf("created %s\n", qPrintable(said(inv::locationWithoutPassword(path))));
        return 0;
    }

    if (command == "connect") {
        if (args.size() != 2)
            return usage();
        const QFileInfo program(args[0]);
        inv::Module1::setProgramFolder(program.isDir() ? program.absoluteFilePath() : program.absolutePath());
        // A file is remembered by its full path: the program resolves what it
        // remembers from wherever it is started.
        const QString location = inv::isServerLocation(args[1]) ? args[1] : QFileInfo(args[1]).absoluteFilePath();
        try {
            if (inv::locationHasPassword(location))
                inv::Module1::rememberDatabase(location); // refuses it, with the reason
            if (auto problem = inv::checkRecordsDatabase(location))
                return fail(*problem);
            inv::Module1::dbPath = inv::Module1::defaultDatabasePath();
            inv::Module1::OpenRecordsConnection();
            inv::Module1::OpenMisc();
            if (!inv::Module1::miscFirstRow())
                return fail(QStringLiteral("%1 has no account yet: start the program once and create it, then "
                                           "connect it")
                                .arg(inv::Module1::dbPath));
            inv::Module1::rememberDatabase(location);
        } catch (const inv::RecordsError &e) {
            return fail(e.message());
        }
        inv::Module1::reset();
        std::printf("%s uses %s from its next start\n", qPrintable(inv::Module1::defaultDatabasePath()),
                    qPrintable(said(inv::locationWithoutPassword(location))));
        return 0;
    }

    if (command == "company") {
        if (args.size() != 2)
            return usage();
        if (auto error = inv::setCompanyName(args[0], args[1]))
            return fail(*error);
        return 0;
    }

    if (command == "check") {
        if (args.size() != 1)
            return usage();
        const inv::AdminReport sound = inv::checkDatabase(args[0]);
        if (!sound.ok())
            return report(sound);
        // A file that does not balance is sound all the same: it is
        // reported, and the program still opens it.
        std::printf("%s\n", qPrintable(said(sound.summary)));
        std::fflush(stdout);
        return report(inv::checkBalance(args[0]));
    }

    if (command == "history" || command == "reorder") {
        if (args.isEmpty() || args.first().startsWith("--"))
            return usage();
        const QString path = args.takeFirst();
        const QStringList options = command == "history" ? QStringList{"--item", "--since", "--until", "--output"}
                                                         : QStringList{"--below", "--output"};
        QHash<QString, QString> given;
        while (!args.isEmpty()) {
            const QString option = args.takeFirst();
            if (!options.contains(option))
                return fail(QStringLiteral("unknown option %1").arg(option));
            if (args.isEmpty())
                return fail(QStringLiteral("%1 needs a value").arg(option));
            given[option] = args.takeFirst();
        }
        std::function<inv::AdminReport(QIODevice &)> write;
        if (command == "history") {
            inv::Journal::Filter filter;
            filter.itemNo = given.value("--item");
            for (const char *option : {"--since", "--until"}) {
                if (!given.contains(option))
                    continue;
                const QDate date = QDate::fromString(given[option], Qt::ISODate);
                if (!date.isValid())
                    return fail(QStringLiteral("%1 needs a date as YYYY-MM-DD, not %2").arg(option, given[option]));
                (QLatin1String(option) == QLatin1String("--since") ? filter.since : filter.until) = date;
            }
            if (filter.inverted())
                return fail(QStringLiteral("--since %1 is after --until %2: no day lies between them")
                                .arg(given["--since"], given["--until"]));
            write = [=](QIODevice &out) { return inv::historyCsv(path, filter, out); };
        } else {
            double below = inv::Reorder::bandLimit(inv::Reorder::kDefaultBand);
            if (given.contains("--below")) {
                bool ok = false;
                below = given["--below"].toDouble(&ok);
                if (!ok || !std::isfinite(below))
                    return fail(QStringLiteral("--below needs a percentage, not %1").arg(given["--below"]));
            }
            write = [=](QIODevice &out) { return inv::reorderCsv(path, below, out); };
        }
        if (given.contains("--output"))
            return report(inv::writeNewFile(given["--output"], write));
        return report(inv::writeStandardOutput(write), false);
    }

    if (command == "backup") {
        if (args.size() != 2)
            return usage();
        return report(inv::backupDatabase(args[0], args[1]));
    }

    if (command == "restore") {
        if (args.size() != 2)
            return usage();
        return report(inv::restoreDatabase(args[0], args[1]));
    }

    if (command == "export") {
        if (args.isEmpty() || args.first().startsWith("--"))
            return usage();
        const QString path = args.takeFirst();
        QString table = QStringLiteral("Items");
        QString output;
        while (!args.isEmpty()) {
            const QString option = args.takeFirst();
            if (option != "--table" && option != "--output")
                return fail(QStringLiteral("unknown option %1").arg(option));
            if (args.isEmpty())
                return fail(QStringLiteral("%1 needs a value").arg(option));
            (option == "--table" ? table : output) = args.takeFirst();
        }
        if (!output.isEmpty())
            return report(inv::exportCsvFile(path, table, output));
        return report(inv::writeStandardOutput([&](QIODevice &out) { return inv::exportCsv(path, table, out); }),
                      false);
    }

    if (command == "import") {
        const bool dryRun = args.removeAll(QStringLiteral("--dry-run")) > 0;
        if (args.size() != 2 || args[0].startsWith("--") || args[1].startsWith("--"))
            return usage();
        return report(inv::ItemImport::importCsvFile(args[0], args[1], dryRun));
    }

    return fail(QStringLiteral("unknown command %1 (try --help)").arg(command));
}
