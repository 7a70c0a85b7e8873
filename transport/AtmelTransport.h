#pragma once
#include "SpiTransport.h"

// The Atmel evaluation board over libusb bulk transfers: every frame is
// answered by a reply of the frame's length whose byte 0 is a status, 0 for
// success. Each operation opens its own connection and closes it on every
// exit; a failed frame ends the operation, the frames before it done.
class AtmelTransport : public SpiTransport
{
    Q_OBJECT
public:
    bool readRegister(quint8 map, int reg, quint8 *value) override;
    bool readRegisterBlock(quint8 map, int count, quint8 **entries) override;
    bool readRegisterAutoInc(quint8 map, int first, int count, quint8 **values) override;
    bool writeRegister(quint8 map, int reg, quint8 *value) override;
    bool writeRegisterBlock(quint8 map, int count, quint8 *entries) override;
    bool writeRegisterAutoInc(quint8 map, int first, int count, quint8 *values) override;
    bool sendPacket(int length, quint8 **packet) override;
    // The board keys of the attached Atmel boards.
    QStringList deviceList() override;

protected:
    // Why the frames of an operation stopped; each has its own report.
    enum class Fault { None, Transaction, ChipSelect, ChipRelease, PacketTooLong };
    using Frames = std::function<Fault()>;

    // Opens the board, runs the frames and closes the board again; a fault
    // is reported after the connection is closed.
    bool onBoard(const Frames &frames);
    // One frame and its reply, the status examined.
    bool transfer(const QByteArray &frame, QByteArray &reply);
    Exchange transfers();
    static Fault faultUnless(bool done) { return done ? Fault::None : Fault::Transaction; }

    // The frames of an operation between the chip-select frames, where the
    // dialect has them. The release frame follows on every exit once the
    // assert frame went out, so no failure leaves the chip selected. Only
    // writes examine the replies to the two frames.
    Fault selected(const Frames &frames, bool examineSelect);
    bool selectChip(quint8 command);

    // A single read after the map check.
    bool readSingle(quint8 map, int reg, quint8 *value);
    // The frame of a single read; the chip's dialect gives it unless the
    // chip's class builds its own.
    virtual QByteArray readFrame(quint8 map, int reg) const;

    // The argument checks, each reporting its refusal.
    bool registerHeld(const SpiDialect::Registers &registers, int reg);
    bool countValid(int count);

private:
    // Set by a transfer that moved less than its frame: the board did not
    // answer. Cleared when an operation's frames start.
    bool unanswered = false;
};
