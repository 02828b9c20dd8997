#pragma once
// The USB transport to the evaluation board: finding and claiming the board on the driver path
// or the HID path, checking its identity, and moving frames of up to 64 bytes through the one
// transfer buffer. It knows nothing of chips; the chip access builds frames on top of it.
//
// Every failed transfer ends the connection at once (ResetLink); callers only see false.
#include "app/base/Clock.h"
#include "link/FrameTrace.h"
#include "link/LinkState.h"
#include "link/UsbPlatform.h"

#include <QString>
#include <cstdint>

namespace vek {

// Expected identities of the board.
constexpr uint16_t kDriverVendorId = 0x0547;
constexpr uint16_t kDriverProductId = 0x1004;
constexpr uint16_t kHidVendorId = 0x04D8;
constexpr uint16_t kHidProductId = 0x2008;
constexpr uint16_t kHidVersion = 0x0727;
constexpr const char *kBoardIdentity = "Quorvast";
constexpr int kDriverDeviceCount = 32;
constexpr int kHidDeviceCount = 128;
constexpr uint16_t kFreeBoardNumber = 0xFFFF;

// Board management codes (first frame byte 0xF9).
enum BoardCode : uint8_t {
    kSetBoardNumber = 1,
    kQueryBoardNumber = 2,
    kClaimFollowUp4 = 4,
    kBoardText = 5,
    kClaimFollowUp6 = 6,
    kIdentity = 0xAC,
};

// The program-wide pieces of the transport besides the transfer buffer and the HID flag: the
// platform doors, the frame trace, the HID report lengths and attributes of the last device
// looked at, and the last platform error code.
struct UsbBus {
    HidBackend *hid = nullptr;         // null: no HID platform, every open fails
    UsbDriverBackend *driver = nullptr; // null: no driver platform
    FrameTrace *trace = nullptr;        // null: no trace
    uint16_t inputReportLength = 0;
    uint16_t outputReportLength = 0;
    HidAttributes hidAttributes;
    int32_t lastError = 0;
    uint32_t byteCount = 0; // bytes the driver path reported for its last transfer
    // The board number this program gave a board on each path (-1: none). A board that still
    // answers with this number after its link failed is taken back by the next search instead of
    // being skipped as another program's board.
    int32_t ownHidClaim = -1;
    int32_t ownDriverClaim = -1;
    // The last search found a board with the right identity that another program has claimed.
    bool boardHeldElsewhere = false;
};

// What a transport call works on.
struct LinkIo {
    UsbBus &bus;
    TransferBuffer &buffer;
    uint8_t &hidMode;
    Clock &clock;
};

// True for a handle that names an open device (neither -1 nor 0).
inline bool HandleValid(int64_t handle) { return handle != -1 && handle != 0; }

// Ends the connection and clears the record.
void ResetLink(LinkIo &io, UsbLink &link);
// Sends the first count bytes of the transfer buffer (a whole output report on the HID path).
bool LinkWrite(LinkIo &io, UsbLink &link, int count);
// Receives a reply into the start of the transfer buffer (count bytes on the driver path, a
// whole report on the HID path). On the driver path a shorter reply is accepted when it holds
// the first `needed` bytes, those the caller examines (-1: all count bytes).
bool LinkRead(LinkIo &io, UsbLink &link, int count, int needed = -1);
// Management command code with a 16-bit argument; value receives the 16-bit reply.
bool BoardCommand(LinkIo &io, UsbLink &link, uint8_t code, uint16_t &value);
// True when the link is connected and the board answers the identity command with "Quorvast".
bool IdentifyBoard(LinkIo &io, UsbLink &link);
// Finds, claims and checks the board. status: 0xFF failure, 0 an open link passed the identity
// check, 1 a new connection was made.
bool ConnectLink(LinkIo &io, UsbLink &link, uint8_t &status);
// Gives the board's number back (command 1, 0xFFFF) and closes the link, when it is connected.
// A board this program claimed whose link has failed since is opened once more and given its
// number back too, so no way out leaves the board looking taken.
void ReleaseBoard(LinkIo &io, UsbLink &link);

// The supervision timer counts its 2000 ms ticks; every 15th tick (30 s) resets the count and
// returns true when the link is to be checked.
bool SupervisionTickDue(int &tickCount);
// The supervision check: ConnectLink, and on failure ResetLink (a board that answers but names
// itself wrongly is released first). True when the board is on line.
bool SuperviseLink(LinkIo &io, UsbLink &link);
// The "USB Scan": ConnectLink, then the identity check once more.
bool ScanForBoard(LinkIo &io, UsbLink &link);
// True for the interface kinds that go through the USB board (SPI, Special, UART).
bool UsesUsbBoard(InterfaceKind kind);

// Texts of status field 0.
constexpr const char *kUsbOnLine = "USB On Line";
constexpr const char *kUsbNotConnected = "USB not Connect !!!";

} // namespace vek
