#include "killworker.h"

#include "data/core/connection.h"
#include "data/stock/module1.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>
#include <stdexcept>

namespace testing {

int runKillWorker(int argc, char *argv[], const char *usage, int leastWords,
                  const std::function<void(const QString &number, const QStringList &words)> &work)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 4 + leastWords) {
        std::fprintf(stderr, "usage: %s\n", usage);
        return 2;
    }
    try {
        inv::Module1::dbPath = args.at(1);
        inv::Module1::OpenRecordsConnection();
        QFile ready(args.at(3));
        if (!ready.open(QIODevice::WriteOnly)) {
            std::fprintf(stderr, "cannot create the ready file\n");
            return 2;
        }
        ready.close();
        work(args.at(2), args.mid(4));
        std::fprintf(stderr, "the work ended before the kill\n");
    } catch (const inv::RecordsError &e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s\n", e.what());
    }
    return 1;
}

void expectWritten(bool written, const char *what, const QString &message)
{
    if (!written)
        throw std::runtime_error(std::string(what) + " was refused: " + message.toStdString());
}

} // namespace testing
