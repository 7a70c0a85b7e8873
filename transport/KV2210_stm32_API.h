#pragma once
#include "Stm32Transport.h"

// Transport of the KV2210 on the STM32 evaluation board: the KV2240's
// frames (two-byte addresses, three-byte entries in both list operations)
// opened by the command byte 0x12.
class KV2210_stm32_API : public Stm32Transport
{
    Q_OBJECT
public:
    KV2210_stm32_API();

protected:
    const SpiDialect &dialect() const override;
};
