#pragma once
// Answers the message boxes and dialogs of the windows under test and
// records every one that was shown. A prompt that needs an answer the test
// did not give is recorded as unexpected (and answered No / Cancel) instead
// of blocking the test.

#include "ui/prompts.h"

#include <QList>
#include <QPrinter>
#include <QStringList>
#include <QTest>
#include <QUrl>

#include <functional>

namespace testing {

struct ShownMessage {
    QString text;
    QString title;
    inv::ui::Buttons buttons;
};

class ScriptedPrompts : public inv::ui::PromptHandler {
public:
    ScriptedPrompts() { inv::ui::Prompts::setHandler(this); }
    ~ScriptedPrompts() override { inv::ui::Prompts::setHandler(nullptr); }

    // The answer to the next Yes/No box.
    void answer(inv::ui::Answer a) { m_answers << a; }
    // The file the next open-file dialog returns ("" for Cancel).
    void chooseFile(const QString &path) { m_files << path; }
    // Whether the next printer dialog is confirmed.
    void answerPrint(bool print)
    {
        answerPrintWith([print](QPrinter *) { return print; });
    }
    // The next printer dialog: what the user does with the printer's
    // settings, and whether they then confirm.
    void answerPrintWith(std::function<bool(QPrinter *)> answer) { m_prints << std::move(answer); }
    // The next printer dialog chooses printing to a PDF file, then is
    // confirmed (or cancelled, when print is false).
    void printToPdf(const QString &file, bool print = true)
    {
        answerPrintWith([file, print](QPrinter *printer) {
            printer->setOutputFormat(QPrinter::PdfFormat);
            printer->setOutputFileName(file);
            return print;
        });
    }

    QList<ShownMessage> messages;
    int fileDialogs = 0;
    int printDialogs = 0;
    QList<QUrl> urls;
    QStringList unexpected;
    // Runs while a box or dialog is "shown": a test can do there what the
    // window system would meanwhile (move the activation elsewhere, say).
    std::function<void()> whileShown;
    // Runs action once, while the next box or dialog is "shown": another
    // program's write, a timer's tick, put between the reads a handler made
    // before its box and what it does after the answer. Queued in order.
    void duringNext(std::function<void()> action) { m_during << std::move(action); }

    inv::ui::Answer message(QWidget *, const QString &text, const QString &title, inv::ui::Buttons buttons) override
    {
        messages << ShownMessage{text, title, buttons};
        shown();
        if (buttons == inv::ui::Buttons::Ok)
            return inv::ui::Answer::Ok;
        if (m_answers.isEmpty()) {
            unexpected << QStringLiteral("Yes/No box: ") + text;
            return inv::ui::Answer::No;
        }
        return m_answers.takeFirst();
    }
    QString openFile(QWidget *) override
    {
        ++fileDialogs;
        shown();
        if (m_files.isEmpty()) {
            unexpected << QStringLiteral("open-file dialog");
            return QString();
        }
        return m_files.takeFirst();
    }
    bool printDialog(QWidget *, QPrinter *printer) override
    {
        ++printDialogs;
        shown();
        if (m_prints.isEmpty()) {
            unexpected << QStringLiteral("printer dialog");
            return false;
        }
        return m_prints.takeFirst()(printer);
    }
    void openUrl(const QUrl &url) override { urls << url; }

    // Answers given but never asked for are a fault of the test or the code.
    QStringList unused() const
    {
        QStringList left;
        if (!m_answers.isEmpty())
            left << QStringLiteral("%1 Yes/No answers").arg(m_answers.size());
        if (!m_files.isEmpty())
            left << QStringLiteral("%1 file choices").arg(m_files.size());
        if (!m_prints.isEmpty())
            left << QStringLiteral("%1 print answers").arg(m_prints.size());
        if (!m_during.isEmpty())
            left << QStringLiteral("%1 actions for a box that never came").arg(m_during.size());
        return left;
    }

    ShownMessage last() const { return messages.isEmpty() ? ShownMessage{} : messages.last(); }

private:
    void shown()
    {
        if (!m_during.isEmpty())
            m_during.takeFirst()();
        if (whileShown)
            whileShown();
    }

    QList<std::function<void()>> m_during;
    QList<inv::ui::Answer> m_answers;
    QStringList m_files;
    QList<std::function<bool(QPrinter *)>> m_prints;
};

} // namespace testing

// Fails the test when a prompt came that the test did not answer, or an
// answer was left over.
#define VERIFY_PROMPTS(prompts)                                                                                        \
    do {                                                                                                               \
        QVERIFY2((prompts).unexpected.isEmpty(), qPrintable((prompts).unexpected.join(QLatin1String("; "))));          \
        QVERIFY2((prompts).unused().isEmpty(), qPrintable((prompts).unused().join(QLatin1String("; "))));              \
    } while (false)
