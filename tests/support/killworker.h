#pragma once
// The worker side of a kill-safety test (see killrounds.h): a program that
// writes to a records database until it is killed. It prints nothing while
// it works; a failed or refused write ends it with a line on standard error
// and a non-zero exit status, which the test sees as a worker that died
// before its kill.

#include <QString>
#include <QStringList>

#include <functional>

namespace testing {

// Runs a worker started as
//   worker <database> <number> <ready-file> <word>...
// with at least leastWords words: opens the records connection on the
// database as the program does, creates the ready file, and calls
// work(number, words), which writes until the worker is killed. Returns the
// exit status for main: 2 for a wrong call, 1 when the work failed (after the
// line on standard error).
int runKillWorker(int argc, char *argv[], const char *usage, int leastWords,
                  const std::function<void(const QString &number, const QStringList &words)> &work);

// Ends the worker, with what and the program's message, when a write it
// should have been allowed was not written.
void expectWritten(bool written, const char *what, const QString &message);

} // namespace testing
