#pragma once
#include <mutex>

#include "PtyBoardLink.h"

// An "fmc" evaluation board on a fresh pseudo-terminal: open portPath() as
// the transport's device name. It holds the chip's 128 registers and answers
// each read (55 02 address CRC) and write (55 01 address value CRC) request
// with AA, the register's value, CRC. A request with a wrong CRC gets no
// reply; bytes with another lead byte are echoed. Usable from any thread.
class FmcBoardEmulator
{
public:
    using Fault = PtyBoardLink::Fault;
    static const int registerCount = 128;

    FmcBoardEmulator();

    QString portPath() const { return link.portPath(); }

    quint8 registerValue(int reg) const;
    void setRegisterValue(int reg, quint8 value);
    QByteArray registers() const;
    void setRegisters(const QByteArray &values);

    void setFault(Fault fault, int goodRepliesFirst = 0) { link.setFault(fault, goodRepliesFirst); }
    void setPacing(int baud) { link.setPacing(baud); }
    void setSplitDelay(int ms) { link.setSplitDelay(ms); }
    void inject(const QByteArray &bytes) { link.inject(bytes); }

    QList<QByteArray> frames() const { return link.frames(); }
    void clearFrames() { link.clearFrames(); }

    static int frameLength(const QByteArray &pending);

private:
    QByteArray answer(const QByteArray &frame);

    mutable std::mutex mutex;
    QByteArray regs;
    PtyBoardLink link;  // last: its thread stops before the registers go
};
