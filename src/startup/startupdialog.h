#pragma once
// What the start-up windows have in common: a fixed background picture,
// Enter for the default button (or, in a window without one, the focused
// button), and no way out by Escape, since none of them has a Cancel button.
// Their buttons do not take over Enter when they get the focus
// (autoDefault off), so Enter means the same wherever the focus is.

#include <QDialog>
#include <QString>

namespace inv::startup {

class StartupDialog : public QDialog {
    Q_OBJECT

public:
    // background: a picture from the resources, drawn under every control
    // (none when empty).
    StartupDialog(const QString &background, Qt::WindowFlags flags);

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QString m_background;
};

// The window flags of a fixed window with a title bar and a close box only.
Qt::WindowFlags toolWindowFlags();

} // namespace inv::startup
