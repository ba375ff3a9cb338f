#pragma once
// What every window opened from the main window has in common: a fixed
// client area given in twips, centred on the screen; a small title bar with a
// close box only; no entry in the task bar; the program's icon; and Enter,
// wherever the focus is, presses the window's default button.

#include <QWidget>

class QPushButton;

namespace inv::ui {

class ChildWindow : public QWidget {
    Q_OBJECT

public:
    // name is the window's objectName; width and height its client area in
    // twips.
    ChildWindow(const char *name, const QString &title, int width, int height);

protected:
    void keyPressEvent(QKeyEvent *event) override;
};

// Enter in a window: clicks its visible default button or, in a window
// without one, the button that has the focus (and nothing in a box). Returns
// whether the key was Enter without modifiers (it is then taken).
bool pressDefaultButton(QWidget *window, QKeyEvent *event);

} // namespace inv::ui
