#pragma once
#include <QMap>
#include <QString>

#include "CyDriver.h"
#include "LibusbCyDriver.h"

struct libusb_device_handle;

// One device opened by LibusbCyDriver. It reads the driver's request records
// and carries them out with libusb's synchronous transfers, then writes the
// status words back into the record. Every request is finished when
// ioControl returns, so none is ever left pending behind its buffer.
// Interface 0 is claimed the first time a request needs it (alternate
// settings, data transfers, endpoint resets) and released on close.
class LibusbCyHandle : public CyDriverHandle
{
public:
    LibusbCyHandle(LibusbCyDriver::Context context, libusb_device_handle *handle,
                   const QString &path);
    ~LibusbCyHandle() override;

    bool ioControl(quint32 code, void *in, quint32 inLength, void *out, quint32 outLength,
                   quint32 *returned, CyOverlapped *overlapped) override;
    bool waitFor(CyOverlapped &overlapped, quint32 timeoutMs) override;
    quint32 lastError() const override { return error; }

private:
    struct Request
    {
        quint8 *in;
        quint32 inLength;
        quint8 *out;
        quint32 outLength;
        quint32 limitMs;
        quint32 returned = 0;
    };
    using Handler = bool (LibusbCyHandle::*)(Request &);
    static const QMap<quint32, Handler> &handlers();

    bool versions(Request &request);
    bool altSetting(Request &request);
    bool selectAltSetting(Request &request);
    bool address(Request &request);
    bool powerState(Request &request);
    bool setPowerState(Request &request);
    bool control(Request &request);
    bool bufferedData(Request &request);
    bool directData(Request &request);
    bool resetDevice(Request &request);
    bool resetPipe(Request &request);
    bool transferSize(Request &request);
    bool setTransferSize(Request &request);
    bool deviceName(Request &request);
    bool abortPipe(Request &request);
    bool speed(Request &request);

    bool dataTransfer(quint8 *record, quint8 *data, quint32 length, quint32 limitMs,
                      quint32 &moved);
    bool dataStage(Request &request, quint32 length, quint32 &offset);
    static void putStatus(quint8 *record, bool ok, int libusbResult);
    bool putAnswer(Request &request, const void *bytes, quint32 length);
    bool putText(Request &request, const QString &text);
    bool claim();
    int transferTypeOf(quint8 endpoint);
    bool fail(quint32 code);
    static quint32 errorOf(int libusbError);
    // The USB status word the layer writes into a failed request's record.
    static quint32 usbdStatusOf(int libusbError);

    LibusbCyDriver::Context context;
    libusb_device_handle *handle;
    QString path;
    bool claimed = false;
    quint8 currentAltSetting = 0;
    quint32 power = 1;
    QMap<quint8, quint32> transferSizes;
    quint32 error = CyError::None;
};
