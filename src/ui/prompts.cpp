#include "prompts.h"

#include "version.h"
#include "windowopener.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QPointer>
#include <QPrintDialog>

namespace inv::ui {

PromptHandler::~PromptHandler() = default;

namespace {

// A message box is as wide as its text; a short text with a longer title
// would leave the title cut off in the title bar.
void keepTitleVisible(QMessageBox &box, const QString &title)
{
    QFont font = box.font();
    font.setBold(true);
    // Room for the title bar's icon and buttons besides the title itself.
    const int width = QFontMetrics(font).horizontalAdvance(title) + 120;
    if (auto *grid = qobject_cast<QGridLayout *>(box.layout()))
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Minimum), grid->rowCount(), 0, 1,
                      grid->columnCount());
}

class RealPrompts : public PromptHandler {
public:
    Answer message(QWidget *parent, const QString &text, const QString &title, Buttons buttons) override
    {
        QMessageBox box(parent);
        box.setIcon(QMessageBox::NoIcon);
        box.setWindowTitle(title);
        box.setTextFormat(Qt::PlainText); // item names and paths, never markup
        box.setText(text);
        if (buttons == Buttons::YesNo) {
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setDefaultButton(QMessageBox::Yes);
        } else {
            box.setStandardButtons(QMessageBox::Ok);
        }
        keepTitleVisible(box, title);
        const int result = box.exec();
        if (buttons == Buttons::Ok)
            return Answer::Ok;
        return result == QMessageBox::Yes ? Answer::Yes : Answer::No;
    }

    QString openFile(QWidget *parent) override { return QFileDialog::getOpenFileName(parent); }

    bool printDialog(QWidget *parent, QPrinter *printer) override
    {
        QPrintDialog dialog(printer, parent);
        return dialog.exec() == QDialog::Accepted;
    }

    void openUrl(const QUrl &url) override { QDesktopServices::openUrl(url); }
};

RealPrompts g_real;
PromptHandler *g_handler = &g_real;

} // namespace

namespace Prompts {

QString applicationTitle()
{
    return QStringLiteral("Tavrisk Inventory System ") + QLatin1String(kVersion);
}

namespace {

// When a box closes, the window manager may give the activation to any
// window of the program (the main window, say, behind a window it opened),
// and the next keys typed would go there. The box's own window gets it back,
// with the control that had the focus before.
class GiveFocusBack {
public:
    explicit GiveFocusBack(QWidget *parent) : m_window(parent ? parent->window() : nullptr) { }
    ~GiveFocusBack()
    {
        if (m_window && m_window->isVisible() && m_window->isEnabled())
            activate(m_window);
    }

private:
    QPointer<QWidget> m_window;
};

} // namespace

Answer message(QWidget *parent, const QString &text, const QString &title, Buttons buttons)
{
    GiveFocusBack back(parent);
    return g_handler->message(parent, text, title.isNull() ? applicationTitle() : title, buttons);
}

QString openFile(QWidget *parent)
{
    GiveFocusBack back(parent);
    return g_handler->openFile(parent);
}

bool printDialog(QWidget *parent, QPrinter *printer)
{
    GiveFocusBack back(parent);
    return g_handler->printDialog(parent, printer);
}

void openUrl(const QUrl &url)
{
    g_handler->openUrl(url);
}

void setHandler(PromptHandler *handler)
{
    g_handler = handler ? handler : &g_real;
}

} // namespace Prompts

} // namespace inv::ui
