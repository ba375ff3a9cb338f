#pragma once
// The about window: the software's name, version, publisher and developer,
// and a link to the publisher's homepage.

#include <QWidget>

class QLabel;
class QPlainTextEdit;

namespace inv {

class frmhelp : public QWidget {
    Q_OBJECT

public:
    frmhelp();

    QPlainTextEdit *txtinfo;
    QLabel *Label1;

    // Opens the homepage in the default web browser; the window stays.
    void Label1_Click();

    // The seven lines of software information.
    static QString softwareInfo();

protected:
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
};

} // namespace inv
