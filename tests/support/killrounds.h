#pragma once
// The test side of a kill-safety test: a worker program writes to a records
// database until it is killed at a random moment, again and again. After
// each kill a file must pass its integrity check through a handle of its
// own (whose first read rolls back what the kill left unfinished), and then
// the test's own check of what "whole" means for its rows (a server
// database: the test's check alone).
//
// The worker is started as
//   worker <database> <number> <ready-file> <word>...
// and creates the ready file once the database is open, so that the kill is
// timed from its first write rather than from the key derivation (see
// killworker.h for the other side).

#include <QRandomGenerator>
#include <QString>
#include <QStringList>

#include <functional>

namespace testing {

struct KillRounds {
    QString worker; // the worker program
    QString database;
    QStringList words; // the same for every run
    int kills = 0;
    // A worker works from 2 to this many milliseconds, after its database is
    // open, before it is killed.
    int longestWorkMs = 50;
    // The number a run is started with: by default a seed drawn from the
    // test's own seed, so that a failing round can be repeated.
    std::function<QString(QRandomGenerator &random)> number = [](QRandomGenerator &random) {
        return QString::number(random.generate());
    };

    // Runs the rounds, calling check(round) after each kill and integrity
    // check; round names the kill and the seed, for the messages. Stops at
    // the first failure: a worker that ended by itself (it hit an error, or
    // was refused a write it should have been allowed), one that never
    // opened the database, a failed integrity check, or a failed check.
    void run(const std::function<void(const QString &round)> &check);

    // Filled by run: the seed, and how many kills found a write unfinished
    // (on a file).
    quint32 seed = 0;
    int killsInsideAWrite = 0;
};

} // namespace testing
