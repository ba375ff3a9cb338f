// Start-up: the program's real start (a fresh process each time) up to the
// splash window's first paint, against a bare Qt window's first paint in a
// fresh process on the same machine in the same run; and, through to the
// welcome window, how long after its first paint the splash hands over and
// how many file handles (each a key derivation) the run opened, with the
// default database remembering a second file.
//
// Each sample is a child process (this program again, with --child): start-up
// runs once per process. Both clocks start at the child's main(), before the
// QApplication is made. Samples alternate bare and start-up; medians are
// printed.
//
// Usage: bench_startup [samples]   (default 11; needs a display or
// QT_QPA_PLATFORM=offscreen)

#include "admin/provisioning.h"
#include "data/engines/file/sqlcipherconnection.h"
#include "data/schema/schema.h"
#include "data/stock/module1.h"
#include "startup/frmflash.h"
#include "startup/frmwelcome.h"
#include "startup/startup.h"

#include "benchsupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QTimer>
#include <QWidget>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

double msSince(const timespec &t0)
{
    timespec t1;
    clock_gettime(CLOCK_MONOTONIC, &t1);
    return double(t1.tv_sec - t0.tv_sec) * 1e3 + double(t1.tv_nsec - t0.tv_nsec) / 1e6;
}

// Watches the whole application for the moments a sample measures.
class Watcher : public QObject {
public:
    explicit Watcher(const timespec &t0) : m_t0(t0) { }
    double splashPainted = -1;
    double welcomeShown = -1;
    int handlesAtWelcome = -1;
    const char *bareName = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && splashPainted < 0
            && (qobject_cast<inv::frmflash *>(watched) || (bareName && watched->objectName() == bareName)))
            splashPainted = msSince(m_t0);
        if (event->type() == QEvent::Show && welcomeShown < 0 && qobject_cast<inv::frmwelcome *>(watched)) {
            welcomeShown = msSince(m_t0);
            handlesAtWelcome = inv::SqlCipherConnection::handlesOpened();
            // Quit once the welcome window has had its first paint, so the
            // run's last work is counted too.
            QTimer::singleShot(200, qApp, &QCoreApplication::quit);
        }
        return false;
    }

private:
    timespec m_t0;
};

int child(int argc, char **argv, const timespec &t0)
{
    const std::string kind = argv[2];
    QApplication app(argc, argv);
    Watcher watcher(t0);
    app.installEventFilter(&watcher);
    if (kind == "bare") {
        // A plain window of the splash's size.
        watcher.bareName = "bare";
        QWidget bare(nullptr, Qt::Window | Qt::FramelessWindowHint);
        bare.setObjectName(QStringLiteral("bare"));
        bare.resize(270, 169);
        bare.show();
        while (watcher.splashPainted < 0)
            app.processEvents(QEventLoop::WaitForMoreEvents);
        std::printf("%.3f\n", watcher.splashPainted);
        return 0;
    }
    inv::Module1::setProgramFolder(QString::fromLocal8Bit(argv[3]));
    if (!inv::startup::Start())
        return 2;
    QTimer::singleShot(10000, &app, [] { QCoreApplication::exit(3); });
    const int rc = app.exec();
    std::printf("%.3f %.3f %d\n", watcher.splashPainted, watcher.welcomeShown, watcher.handlesAtWelcome);
    return rc;
}

std::string runChild(const char *self, const std::vector<std::string> &args)
{
    int pipefd[2];
    if (pipe(pipefd) != 0)
        qFatal("pipe");
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(pipefd[1], 1);
        close(pipefd[0]);
        close(pipefd[1]);
        std::vector<char *> argv{const_cast<char *>(self)};
        for (const auto &a : args)
            argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        execv(self, argv.data());
        _exit(127);
    }
    close(pipefd[1]);
    std::string out;
    char buf[256];
    ssize_t n;
    while ((n = read(pipefd[0], buf, sizeof buf)) > 0)
        out.append(buf, size_t(n));
    close(pipefd[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        qFatal("child %s failed (status %d)", args[1].c_str(), status);
    return out;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

} // namespace

int main(int argc, char **argv)
{
    timespec t0;
    clock_gettime(CLOCK_MONOTONIC, &t0);
    if (argc >= 3 && std::string(argv[1]) == "--child")
        return child(argc, argv, t0);

    const int samples = argc >= 2 ? std::max(1, std::atoi(argv[1])) : 11;
    QTemporaryDir dir(bench::benchFolder() + QStringLiteral("/bench-XXXXXX"));
    const QString def = QDir(dir.path()).filePath(QStringLiteral("Records.mdb"));
    const QString chosen = QDir(dir.path()).filePath(QStringLiteral("Chosen.mdb"));
    for (const QString &path : {def, chosen})
        if (auto error = inv::createRecordsDatabase(path, {}))
            qFatal("%s", qPrintable(*error));
    {
        bench::SqliteDb db(def);
        sqlite3_stmt *stmt =
            db.prepare("INSERT INTO Misc (User, pass, coname, pat) VALUES ('admin', 'pw', 'Store Room', ?1)");
        const QByteArray pat = chosen.toUtf8();
        sqlite3_bind_text(stmt, 1, pat.constData(), pat.size(), SQLITE_TRANSIENT);
        bench::step(db.db, stmt);
        sqlite3_finalize(stmt);
    }

    const std::string folder = dir.path().toStdString();
    const char *self = "/proc/self/exe";
    char exe[4096];
    const ssize_t len = readlink(self, exe, sizeof exe - 1);
    if (len <= 0)
        qFatal("readlink");
    exe[len] = 0;

    std::vector<double> bare, splash, handOver, ratio;
    int handles = -1;
    runChild(exe, {"--child", "bare"}); // warm the caches once, unmeasured
    runChild(exe, {"--child", "startup", folder});
    for (int i = 0; i < samples; ++i) {
        const double b = std::stod(runChild(exe, {"--child", "bare"}));
        double s = 0, w = 0;
        int h = 0;
        std::sscanf(runChild(exe, {"--child", "startup", folder}).c_str(), "%lf %lf %d", &s, &w, &h);
        bare.push_back(b);
        splash.push_back(s);
        handOver.push_back(w - s);
        ratio.push_back(s / b);
        handles = std::max(handles, h);
    }
    std::printf("start-up, %d samples each (fresh processes, alternating), medians:\n", samples);
    std::printf("  bare Qt window, start to first paint    %8.1f ms\n", median(bare));
    std::printf("  start-up, start to the splash painted   %8.1f ms\n", median(splash));
    std::printf("  ratio splash / bare (median of ratios)  %8.2f x\n", median(ratio));
    std::printf("  splash painted to welcome shown         %8.1f ms  (animation: 20 steps of 100 ms, then one "
                "hand-over step)\n",
                median(handOver));
    std::printf("  file handles opened to the welcome      %8d     (2 files: the default and the remembered one)\n",
                handles);
    return 0;
}
