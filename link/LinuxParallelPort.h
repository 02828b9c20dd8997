#pragma once
// The parallel port on Linux. Normally through ppdev: /dev/parportN, found from the base address
// in /proc/sys/dev/parport/parportN/base-addr, claimed with PPCLAIM and driven with one ioctl
// per register access. Where ppdev is missing altogether and the program runs as root on an x86
// machine, the registers are reached directly (ioperm, inb, outb) instead.
#include "link/ParallelPort.h"

#include <QByteArray>

namespace vek {

// Where the platform looks; tests point these at directories of their own.
struct LinuxParallelPaths {
    QString sysClass = QStringLiteral("/sys/class/parport");
    QString procParport = QStringLiteral("/proc/sys/dev/parport");
    QString devDir = QStringLiteral("/dev");
};

// The base address in the text of a base-addr file ("888\t1912": base and upper base, decimal).
bool ParseParportBaseAddress(const QByteArray &text, uint16_t &base);
// True when the text of a modes file ("PCSPP,TRISTATE,COMPAT,EPP,ECP,DMA") lists ECP.
bool ModesListEcp(const QByteArray &text);

// The number N of the parportN whose base address is `base`, or -1. hasEcr (when not null)
// tells whether that port lists the ECP mode, i.e. has an extended control register.
int FindParallelPortNumber(const LinuxParallelPaths &paths, uint16_t base, bool *hasEcr = nullptr);

class LinuxParallelPlatform final : public ParallelPlatform {
public:
    LinuxParallelPaths paths;
    // Direct register access when ppdev is missing (only root on x86 can have it).
    bool allowDirectIo = true;
    // How long PPCLAIM may wait for another program to let go of the port.
    int claimLimitMs = 1000;

    // A base with no port found uses /dev/parport0 (opening.fallback).
    ParallelOpening Open(uint16_t base) override;
};

} // namespace vek
