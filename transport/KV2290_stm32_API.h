#pragma once
#include "Stm32Transport.h"

// Transport of the KV2290 on the STM32 evaluation board: the KV2260's
// frames, with range frames marked by autoIncFlag.
class KV2290_stm32_API : public Stm32Transport
{
    Q_OBJECT
public:
    KV2290_stm32_API();

protected:
    const SpiDialect &dialect() const override;
};
