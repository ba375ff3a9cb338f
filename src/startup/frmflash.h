#pragma once
// The splash window: settles which database file the run uses, plays a
// two-second progress animation of twenty blocks, then hands over to the
// welcome window.

#include <QWidget>

#include <array>

class QLabel;
class QPushButton;
class QTimer;

namespace inv {

class frmflash : public QWidget {
    Q_OBJECT

public:
    explicit frmflash(QWidget *parent = nullptr);

    // Sets dbPath and opens the records connection and the Misc cursor on
    // the default database. False when that fails (a message was shown).
    bool Form_Load();

    QLabel *lblload;
    QLabel *Label5;
    std::array<QPushButton *, 20> cmdload{};
    QLabel *Label1;
    QLabel *Label2;
    QLabel *Label3;
    QLabel *Label4;
    QTimer *Timer1;

    // Blocks shown so far (0..20).
    int counter() const { return m_counter; }
    // Whether the window has been painted at least once.
    bool painted() const { return m_painted; }

signals:
    // The window's first paint.
    void firstPainted();

public:
    // A progress step; after the last one, the hand-over check.
    void Timer1_Timer();
    // The hand-over check: once the last block has been painted, unload and
    // hand over.
    void Timer2_Timer();

protected:
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    int m_counter = 0;
    bool m_handedOver = false;
    bool m_lastBlockPainted = false;
    bool m_painted = false;
};

} // namespace inv
