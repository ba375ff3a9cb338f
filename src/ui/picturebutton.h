#pragma once
// A button with a picture above a caption that wraps over several lines.

#include <QToolButton>

namespace inv::ui {

class PictureButton : public QToolButton {
    Q_OBJECT

public:
    explicit PictureButton(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace inv::ui
