#pragma once
// Every message box, file dialog, printer dialog and web address of the
// system goes through here, so that a test can answer them.

#include <QString>
#include <QUrl>

class QWidget;
class QPrinter;

namespace inv::ui {

enum class Buttons { Ok, YesNo };
enum class Answer { Ok, Yes, No, Cancel };

class PromptHandler {
public:
    virtual ~PromptHandler();
    // A message box with the exact text and title and no icon.
    virtual Answer message(QWidget *parent, const QString &text, const QString &title, Buttons buttons) = 0;
    // The open-file dialog: the chosen file's full path, or "" when cancelled.
    virtual QString openFile(QWidget *parent) = 0;
    // The printer dialog: whether the user chose to print.
    virtual bool printDialog(QWidget *parent, QPrinter *printer) = 0;
    // Shows a web address in the default browser.
    virtual void openUrl(const QUrl &url) = 0;
};

namespace Prompts {

// The title of a message box that has none of its own.
QString applicationTitle();

// A title of QString() (null) stands for the application title.
Answer message(QWidget *parent, const QString &text, const QString &title = QString(), Buttons buttons = Buttons::Ok);
QString openFile(QWidget *parent);
bool printDialog(QWidget *parent, QPrinter *printer);
void openUrl(const QUrl &url);

// Installs another handler (tests); nullptr restores the real dialogs.
void setHandler(PromptHandler *handler);

} // namespace Prompts

} // namespace inv::ui
