#pragma once
#include "Stm32Transport.h"

// Transport of the KV2260 on the STM32 evaluation board, a USB virtual serial
// port at 460800 baud, with one-byte addresses.
class KV2260_stm32_API : public Stm32Transport
{
    Q_OBJECT
public:
    KV2260_stm32_API();

    // The KV2260's frames and checks on this board.
    static const SpiDialect kv2260Dialect;

protected:
    const SpiDialect &dialect() const override;
};
