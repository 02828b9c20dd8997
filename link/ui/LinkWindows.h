#pragma once
// The two hidden windows of the device link: the base window that owns the program-wide register
// lists and font, and the link supervisor "uP Center" with its 2000 ms supervision timer, the
// "USB Scan" and the chip access operations as thin doors to the headless link.
#include <QFont>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <functional>

namespace vek {

struct AppContext;
struct ChipSlot;

class TVek_BASE : public QWidget {
    Q_OBJECT
public:
    explicit TVek_BASE(AppContext &ctx, QWidget *parent = nullptr);

    // The program-wide fixed-pitch font of the grids.
    const QFont &ProgramFont() const { return m_font; }

private:
    AppContext &m_ctx;
    QFont m_font;
};

class TVek_UP : public QWidget {
    Q_OBJECT
public:
    explicit TVek_UP(AppContext &ctx, QWidget *parent = nullptr);

    // Every 2000 ms; every 15th tick checks the link when the interface goes through the board.
    void Timer1Timer();
    // ConnectLink on slot 0; the result goes to status field 0.
    void SuperviseLink();
    // "USB Scan": finds, claims and identifies the board and reports the link state in the
    // status bar; on success the main window refreshes its chip captions and panels.
    void USBConnect();
    // Gives the board's number back and closes the link (program end).
    void ReleaseBoard();

    // Chip access on a slot (the windows pass 0).
    uint8_t GetImageByte(int address, int slot = 0);
    void SetImageByte(int address, uint8_t value, int slot = 0);
    bool ReadChip(uint16_t address, int count, int slot = 0);
    bool WriteChip(uint16_t address, int count, int slot = 0);
    void WriteRegister(uint16_t address, uint8_t value, int slot = 0);
    void StoreAndRefresh(int address, uint8_t value, int slot = 0);
    bool SetupUartLink(int slot = 0);
    void PulseReset(int slot = 0);
    bool ReadBoardStatus(uint8_t &b1, uint8_t &b2, uint8_t &b3, int slot = 0);
    bool ReadBoardText(QString &text, int slot = 0);
    // Writes 0xA5 to chip address 0xFD (the "SLEEP" item).
    void SleepChip();
    // Writes one byte, taken from the data position of the transfer buffer, to chip address 0x90.
    void WriteProbeByte();

    QTimer *Timer1() const { return m_timer; }
    // The main window's refresh after the board was found (its USBClient).
    std::function<void()> onBoardFound;

private:
    // The note of the board's claim beside the program follows the claims held now.
    void KeepClaimRecord();
    // Slot 0 follows the stored choices of the setup dialog before every access.
    ChipSlot &Slot(int slot);

    AppContext &m_ctx;
    QTimer *m_timer;
};

} // namespace vek
