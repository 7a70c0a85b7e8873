#pragma once
#include "AtmelTransport.h"

// Transport of the KV2210 on the Atmel evaluation board. The chip takes its
// bytes least significant bit first: every address and value byte is
// bit-reversed, the command byte is 0x12, and single registers and list
// reads go out between the chip-select frames 0x14 (assert) and 0x13
// (release). Ranges travel as entry lists.
class KV2210_atmel_API : public AtmelTransport
{
    Q_OBJECT
public:
    KV2210_atmel_API();

    // Takes any map number; the frame carries it.
    bool readRegister(quint8 map, int reg, quint8 *value) override;

protected:
    const SpiDialect &dialect() const override;
    QByteArray readFrame(quint8 map, int reg) const override;
};
