// libFuzzer target for the USB descriptor records: any configuration or BOS
// descriptor block must be walked without a crash and without reading past
// it, and what the walk builds must stay within its fixed fields. The first
// input byte chooses the USB 3 form; the rest is the block.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "CCyUSBBOS.h"
#include "CCyUSBConfig.h"
#include "CCyUSBEndPoint.h"

namespace {

void check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

void checkConfig(const CCyUSBConfig &config, size_t size)
{
    check(config.AltInterfaces <= CCyUSBConfig::MaxInterfaces);
    for (int i = 0; i < config.AltInterfaces; ++i) {
        const CCyUSBInterface *interface = config.Interfaces[i];
        check(interface != nullptr);
        check(interface->wTotalLength <= size);
        check(interface->bAltSettings >= 1);
        for (int slot = interface->bNumEndpoints + 1; slot < CCyUSBInterface::MaxEndPoints; ++slot)
            check(interface->EndPoints[slot] == nullptr);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const bool superSpeed = data[0] & 1;
    // A copy of exactly the block, so any read past it is caught.
    const std::vector<quint8> block(data + 1, data + size);
    const int length = int(block.size());
    const CCyUSBConfig config(nullptr, block.data(), length, superSpeed);
    checkConfig(config, block.size());
    const CCyUSBConfig copy(config);
    checkConfig(copy, block.size());
    const CCyUSBBOS bos(block.data(), length);
    check(bos.problem().isEmpty() || bos.problem().size() > 0);
    return 0;
}
