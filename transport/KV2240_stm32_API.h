#pragma once
#include "Stm32Transport.h"

// Transport of the KV2240 on the STM32 evaluation board: two-byte register
// addresses, three-byte list entries and marked range frames.
class KV2240_stm32_API : public Stm32Transport
{
    Q_OBJECT
public:
    KV2240_stm32_API();

protected:
    const SpiDialect &dialect() const override;
};
