#pragma once
#include <QtGlobal>

// The driver's I/O control codes, each named after the operation it
// carries out.
namespace CyIoctl {
constexpr quint32 GetDriverVer = 0x220000;
constexpr quint32 GetUSBDIVer = 0x220004;
// Reads the selected alternate setting.
constexpr quint32 AltIntfc = 0x220008;
constexpr quint32 SetAltIntfc = 0x22000C;
constexpr quint32 GetUSBAddress = 0x220010;
constexpr quint32 PowerState = 0x220018;
// Takes one of the CyPowerState values.
constexpr quint32 SetPowerState = 0x22001C;
// Control transfer on endpoint 0, descriptor reads included.
constexpr quint32 ControlTransfer = 0x220020;
constexpr quint32 BufferedTransfer = 0x220024;
// Cycles the device's port.
constexpr quint32 Reset = 0x220028;
constexpr quint32 EndpointReset = 0x22002C;
// Resets the port of the device's parent.
constexpr quint32 ReConnect = 0x220030;
constexpr quint32 GetTransferSize = 0x220034;
constexpr quint32 SetTransferSize = 0x220038;
constexpr quint32 GetDeviceName = 0x22003C;
constexpr quint32 GetFriendlyName = 0x220040;
constexpr quint32 EndpointAbort = 0x220044;
// The only code whose data is the caller's own buffer, not a copy.
constexpr quint32 DirectTransfer = 0x22004B;
constexpr quint32 GetSpeed = 0x22004C;
}

// The power states that PowerState reads and SetPowerState asks for.
namespace CyPowerState {
constexpr quint32 Resume = 1;
constexpr quint32 Suspend = 4;
}

// The error codes the driver reports, as the platform numbers them.
namespace CyError {
constexpr quint32 None = 0;
constexpr quint32 InvalidFunction = 1;
constexpr quint32 FileNotFound = 2;
constexpr quint32 AccessDenied = 5;
constexpr quint32 InvalidHandle = 6;
constexpr quint32 GenFailure = 31;
constexpr quint32 NotSupported = 50;
constexpr quint32 InvalidParameter = 87;
constexpr quint32 SemTimeout = 121;
constexpr quint32 WaitTimeout = 258;
constexpr quint32 NoMoreItems = 259;
constexpr quint32 IoPending = 997;
constexpr quint32 DeviceNotConnected = 1167;
}

// USB status words the driver writes into a request record.
namespace CyUsbdStatus {
constexpr quint32 StallPid = 0xC0000004;
constexpr quint32 DevNotResponding = 0xC0000005;
constexpr quint32 DataOverrun = 0xC0000008;
constexpr quint32 NotAccessed = 0xC000000F;
}

// The state of one request that was started without waiting for it.
struct CyOverlapped
{
    // How long the driver may spend on the request when its record names no
    // time-out (data transfers); 0 leaves it to the driver's shortest wait.
    quint32 timeoutMs = 0;
    bool completed = false;
    bool succeeded = false;
    quint32 transferred = 0;
};

// One open device of the driver. Used by one thread at a time.
class CyDriverHandle
{
public:
    virtual ~CyDriverHandle();

    // One request: `in` goes to the driver, the answer comes back in `out`
    // (often the same buffer); `returned` takes the count of answer bytes.
    // Without `overlapped` the call waits for the request. With it, the
    // request may go on after the call returns false with lastError()
    // IoPending; `overlapped` then tells when it is done.
    virtual bool ioControl(quint32 code, void *in, quint32 inLength, void *out,
                           quint32 outLength, quint32 *returned, CyOverlapped *overlapped) = 0;
    // Waits up to `timeoutMs` for a started request; true when it is done.
    virtual bool waitFor(CyOverlapped &overlapped, quint32 timeoutMs) = 0;
    // The outcome of a finished request and its count of answer bytes.
    virtual bool overlappedResult(const CyOverlapped &overlapped, quint32 *count);
    // The error of the last call that failed, 0 after one that succeeded.
    virtual quint32 lastError() const = 0;
};

