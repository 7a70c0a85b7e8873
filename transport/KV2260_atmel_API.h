#pragma once
#include "AtmelTransport.h"

// Transport of the KV2260 on the Atmel evaluation board over libusb bulk
// transfers: the STM32 board's frames, with a status in byte 0 of every
// reply.
class KV2260_atmel_API : public AtmelTransport
{
    Q_OBJECT
public:
    KV2260_atmel_API();

protected:
    const SpiDialect &dialect() const override;
};
