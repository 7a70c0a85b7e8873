#include "LibusbCyHandle.h"

#include <cstring>
#include <libusb.h>

#include "CyRequestRecord.h"

namespace {
const int boardInterface = 0;
const quint32 layerVersion = 0x00010000;
// The transfer size a pipe has until it is set.
const quint32 defaultTransferSize = 0x10000;

const quint32 driverUnsuccessful = 0xC0000001;

// A record names whole seconds; 0 must not become libusb's endless wait.
unsigned int timeoutOf(quint32 seconds, quint32 limitMs)
{
    if (seconds)
        return seconds * 1000;
    return limitMs ? limitMs : 1;
}
}

LibusbCyHandle::LibusbCyHandle(LibusbCyDriver::Context context, libusb_device_handle *handle,
                               const QString &path)
    : context(std::move(context)), handle(handle), path(path)
{
}

LibusbCyHandle::~LibusbCyHandle()
{
    if (claimed)
        libusb_release_interface(handle, boardInterface);
    libusb_close(handle);
}

const QMap<quint32, LibusbCyHandle::Handler> &LibusbCyHandle::handlers()
{
    static const QMap<quint32, Handler> table = {
        {CyIoctl::GetDriverVer, &LibusbCyHandle::versions},
        {CyIoctl::GetUSBDIVer, &LibusbCyHandle::versions},
        {CyIoctl::AltIntfc, &LibusbCyHandle::altSetting},
        {CyIoctl::SetAltIntfc, &LibusbCyHandle::selectAltSetting},
        {CyIoctl::GetUSBAddress, &LibusbCyHandle::address},
        {CyIoctl::PowerState, &LibusbCyHandle::powerState},
        {CyIoctl::SetPowerState, &LibusbCyHandle::setPowerState},
        {CyIoctl::ControlTransfer, &LibusbCyHandle::control},
        {CyIoctl::BufferedTransfer, &LibusbCyHandle::bufferedData},
        {CyIoctl::Reset, &LibusbCyHandle::resetDevice},
        {CyIoctl::EndpointReset, &LibusbCyHandle::resetPipe},
        {CyIoctl::ReConnect, &LibusbCyHandle::resetDevice},
        {CyIoctl::GetTransferSize, &LibusbCyHandle::transferSize},
        {CyIoctl::SetTransferSize, &LibusbCyHandle::setTransferSize},
        {CyIoctl::GetDeviceName, &LibusbCyHandle::deviceName},
        {CyIoctl::GetFriendlyName, &LibusbCyHandle::deviceName},
        {CyIoctl::EndpointAbort, &LibusbCyHandle::abortPipe},
        {CyIoctl::DirectTransfer, &LibusbCyHandle::directData},
        {CyIoctl::GetSpeed, &LibusbCyHandle::speed},
    };
    return table;
}

bool LibusbCyHandle::ioControl(quint32 code, void *in, quint32 inLength, void *out,
                               quint32 outLength, quint32 *returned, CyOverlapped *overlapped)
{
    const Handler handler = handlers().value(code, nullptr);
    Request request{static_cast<quint8 *>(in), in ? inLength : 0, static_cast<quint8 *>(out),
                    out ? outLength : 0, overlapped ? overlapped->timeoutMs : 0};
    const bool ok = handler ? (this->*handler)(request) : fail(CyError::InvalidFunction);
    if (ok)
        error = CyError::None;
    if (returned)
        *returned = request.returned;
    if (overlapped) {
        overlapped->completed = true;
        overlapped->succeeded = ok;
        overlapped->transferred = request.returned;
    }
    return ok;
}

bool LibusbCyHandle::waitFor(CyOverlapped &overlapped, quint32)
{
    return overlapped.completed;
}

bool LibusbCyHandle::fail(quint32 code)
{
    error = code;
    return false;
}

quint32 LibusbCyHandle::errorOf(int libusbError)
{
    switch (libusbError) {
    case LIBUSB_ERROR_TIMEOUT:
        return CyError::SemTimeout;
    case LIBUSB_ERROR_NO_DEVICE:
        return CyError::DeviceNotConnected;
    case LIBUSB_ERROR_ACCESS:
        return CyError::AccessDenied;
    case LIBUSB_ERROR_NOT_SUPPORTED:
        return CyError::NotSupported;
    default:
        return CyError::GenFailure;
    }
}

quint32 LibusbCyHandle::usbdStatusOf(int libusbError)
{
    switch (libusbError) {
    case LIBUSB_ERROR_PIPE:
        return CyUsbdStatus::StallPid;
    case LIBUSB_ERROR_TIMEOUT:
    case LIBUSB_ERROR_NO_DEVICE:
        return CyUsbdStatus::DevNotResponding;
    case LIBUSB_ERROR_OVERFLOW:
        return CyUsbdStatus::DataOverrun;
    default:
        return CyUsbdStatus::NotAccessed;
    }
}

bool LibusbCyHandle::putAnswer(Request &request, const void *bytes, quint32 length)
{
    if (request.outLength < length)
        return fail(CyError::InvalidParameter);
    std::memcpy(request.out, bytes, length);
    request.returned = length;
    return true;
}

bool LibusbCyHandle::putText(Request &request, const QString &text)
{
    quint8 units[256] = {};
    const int count = qMin(text.size(), 127);
    for (int i = 0; i < count; ++i)
        CyRequestRecord::write16(units + 2 * i, text.at(i).unicode());
    return putAnswer(request, units, sizeof units);
}

bool LibusbCyHandle::claim()
{
    if (claimed)
        return true;
    if (libusb_kernel_driver_active(handle, boardInterface) == 1)
        libusb_detach_kernel_driver(handle, boardInterface);
    const int result = libusb_claim_interface(handle, boardInterface);
    if (result != 0)
        return fail(errorOf(result));
    claimed = true;
    return true;
}

bool LibusbCyHandle::versions(Request &request)
{
    quint8 bytes[4];
    CyRequestRecord::write32(bytes, layerVersion);
    return putAnswer(request, bytes, 4);
}

bool LibusbCyHandle::altSetting(Request &request)
{
    return putAnswer(request, &currentAltSetting, 1);
}

bool LibusbCyHandle::selectAltSetting(Request &request)
{
    if (request.inLength < 1)
        return fail(CyError::InvalidParameter);
    if (!claim())
        return false;
    const quint8 alt = request.in[0];
    const int result = libusb_set_interface_alt_setting(handle, boardInterface, alt);
    if (result != 0)
        return fail(errorOf(result));
    currentAltSetting = alt;
    request.returned = request.outLength >= 1 ? 1 : 0;
    return true;
}

bool LibusbCyHandle::address(Request &request)
{
    const quint8 value = libusb_get_device_address(libusb_get_device(handle));
    return putAnswer(request, &value, 1);
}

bool LibusbCyHandle::powerState(Request &request)
{
    quint8 bytes[4];
    CyRequestRecord::write32(bytes, power);
    return putAnswer(request, bytes, 4);
}

// Linux suspends devices itself; the state asked for is only remembered.
bool LibusbCyHandle::setPowerState(Request &request)
{
    if (request.inLength < 4)
        return fail(CyError::InvalidParameter);
    power = CyRequestRecord::read32(request.in);
    request.returned = request.outLength >= 4 ? 4 : 0;
    return true;
}

// A record answered in its own buffer, with `length` data bytes at its data
// offset, all within the buffer.
bool LibusbCyHandle::dataStage(Request &request, quint32 length, quint32 &offset)
{
    if (request.inLength < CyRequestRecord::Size || request.out != request.in)
        return fail(CyError::InvalidParameter);
    offset = CyRequestRecord::read32(request.in + CyRequestRecord::DataOffset);
    if (offset < CyRequestRecord::Size || quint64(offset) + length > request.inLength)
        return fail(CyError::InvalidParameter);
    return true;
}

void LibusbCyHandle::putStatus(quint8 *record, bool ok, int libusbResult)
{
    CyRequestRecord::write32(record + CyRequestRecord::UsbdStatus, ok ? 0 : usbdStatusOf(libusbResult));
    CyRequestRecord::write32(record + CyRequestRecord::DriverStatus, ok ? 0 : driverUnsuccessful);
}

// A control request on endpoint 0, its data stage behind the record.
bool LibusbCyHandle::control(Request &request)
{
    quint8 *record = request.in;
    const quint16 length = request.inLength >= CyRequestRecord::Size
                               ? CyRequestRecord::read16(record + CyRequestRecord::Length)
                               : 0;
    quint32 offset = 0;
    if (!dataStage(request, length, offset))
        return false;
    const unsigned int timeout =
        timeoutOf(CyRequestRecord::read32(record + CyRequestRecord::TimeoutSeconds), request.limitMs);
    const int result = libusb_control_transfer(
        handle, record[CyRequestRecord::RequestType], record[CyRequestRecord::Request],
        CyRequestRecord::read16(record + CyRequestRecord::Value),
        CyRequestRecord::read16(record + CyRequestRecord::Index), record + offset, length, timeout);
    const bool ok = result >= 0;
    putStatus(record, ok, result);
    request.returned = offset + (ok ? quint32(result) : 0);
    return ok || fail(errorOf(result));
}

int LibusbCyHandle::transferTypeOf(quint8 endpoint)
{
    libusb_config_descriptor *config = nullptr;
    if (libusb_get_active_config_descriptor(libusb_get_device(handle), &config) != 0)
        return -1;
    int type = -1;
    for (int i = 0; i < config->bNumInterfaces && type < 0; ++i) {
        const libusb_interface &interface = config->interface[i];
        for (int a = 0; a < interface.num_altsetting && type < 0; ++a) {
            const libusb_interface_descriptor &setting = interface.altsetting[a];
            for (int e = 0; e < setting.bNumEndpoints; ++e)
                if (setting.endpoint[e].bEndpointAddress == endpoint) {
                    type = setting.endpoint[e].bmAttributes & 3;
                    break;
                }
        }
    }
    libusb_free_config_descriptor(config);
    return type;
}

// A bulk or interrupt transfer on the record's endpoint; the status words go
// back into the record.
bool LibusbCyHandle::dataTransfer(quint8 *record, quint8 *data, quint32 length, quint32 limitMs,
                                  quint32 &moved)
{
    moved = 0;
    const quint8 endpoint = record[CyRequestRecord::Endpoint];
    const int type = transferTypeOf(endpoint);
    int result = LIBUSB_ERROR_NOT_SUPPORTED;
    int transferred = 0;
    if (!claim()) {
        result = LIBUSB_ERROR_BUSY;
    } else if (type == LIBUSB_TRANSFER_TYPE_BULK) {
        result = libusb_bulk_transfer(handle, endpoint, data, int(length), &transferred,
                                      timeoutOf(0, limitMs));
    } else if (type == LIBUSB_TRANSFER_TYPE_INTERRUPT) {
        result = libusb_interrupt_transfer(handle, endpoint, data, int(length), &transferred,
                                           timeoutOf(0, limitMs));
    }
    const bool ok = result == 0;
    putStatus(record, ok, result);
    moved = quint32(qMax(transferred, 0));
    return ok || fail(errorOf(result));
}

bool LibusbCyHandle::bufferedData(Request &request)
{
    quint8 *record = request.in;
    const quint32 length = request.inLength >= CyRequestRecord::Size
                               ? CyRequestRecord::read32(record + CyRequestRecord::DataLength)
                               : 0;
    quint32 offset = 0;
    if (!dataStage(request, length, offset))
        return false;
    quint32 moved = 0;
    const bool ok = dataTransfer(record, record + offset, length, request.limitMs, moved);
    request.returned = offset + moved;
    return ok;
}

bool LibusbCyHandle::directData(Request &request)
{
    if (request.inLength < CyRequestRecord::Size)
        return fail(CyError::InvalidParameter);
    quint32 moved = 0;
    const bool ok = dataTransfer(request.in, request.out, request.outLength, request.limitMs, moved);
    request.returned = moved;
    return ok;
}

bool LibusbCyHandle::resetDevice(Request &)
{
    const int result = libusb_reset_device(handle);
    return result == 0 || fail(errorOf(result));
}

bool LibusbCyHandle::resetPipe(Request &request)
{
    if (request.inLength < 1)
        return fail(CyError::InvalidParameter);
    if (!claim())
        return false;
    const int result = libusb_clear_halt(handle, request.in[0]);
    return result == 0 || fail(errorOf(result));
}

// Requests finish inside ioControl: there is never one left to abort.
bool LibusbCyHandle::abortPipe(Request &request)
{
    return request.inLength >= 1 || fail(CyError::InvalidParameter);
}

bool LibusbCyHandle::transferSize(Request &request)
{
    if (request.inLength < 5)
        return fail(CyError::InvalidParameter);
    quint8 answer[5] = {request.in[0]};
    CyRequestRecord::write32(answer + 1, transferSizes.value(request.in[0], defaultTransferSize));
    return putAnswer(request, answer, 5);
}

bool LibusbCyHandle::setTransferSize(Request &request)
{
    if (request.inLength < 5)
        return fail(CyError::InvalidParameter);
    transferSizes.insert(request.in[0], CyRequestRecord::read32(request.in + 1));
    request.returned = request.outLength >= 5 ? 5 : 0;
    return true;
}

bool LibusbCyHandle::deviceName(Request &request)
{
    return putText(request, path.section(QLatin1Char('#'), 1, 1));
}

bool LibusbCyHandle::speed(Request &request)
{
    const int speed = libusb_get_device_speed(libusb_get_device(handle));
    const quint32 value = speed == LIBUSB_SPEED_HIGH                               ? 2
                          : speed == LIBUSB_SPEED_SUPER || speed == LIBUSB_SPEED_SUPER_PLUS ? 4
                                                                                    : 0;
    quint8 bytes[4];
    CyRequestRecord::write32(bytes, value);
    return putAnswer(request, bytes, 4);
}
