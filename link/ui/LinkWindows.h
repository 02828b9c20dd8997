#pragma once
// The two hidden windows of the device link: the base window that owns the program-wide register
// lists, and the link supervisor "uP Center" with its 2000 ms supervision timer.
#include <QTimer>
#include <QWidget>

namespace vek {

struct AppContext;

class TVek_BASE : public QWidget {
    Q_OBJECT
public:
    explicit TVek_BASE(AppContext &ctx, QWidget *parent = nullptr);

private:
    AppContext &m_ctx;
};

class TVek_UP : public QWidget {
    Q_OBJECT
public:
    explicit TVek_UP(AppContext &ctx, QWidget *parent = nullptr);

    // Finds, claims and identifies the evaluation board and reports the link state in the
    // status bar. Filled in by the USB transport.
    void USBConnect();
    // Writes 0xA5 to chip address 0xFD (the "SLEEP" item).
    void SleepChip();
    // Writes one byte, taken from the data position of the transfer buffer, to chip address 0x90.
    void WriteProbeByte();

    QTimer *Timer1() const { return m_timer; }

private:
    AppContext &m_ctx;
    QTimer *m_timer;
};

} // namespace vek
