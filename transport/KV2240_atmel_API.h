#pragma once
#include "AtmelTransport.h"

// Transport of the KV2240 on the Atmel evaluation board: two-byte register
// addresses, three-byte list entries and marked range frames.
class KV2240_atmel_API : public AtmelTransport
{
    Q_OBJECT
public:
    KV2240_atmel_API();

protected:
    const SpiDialect &dialect() const override;
};
