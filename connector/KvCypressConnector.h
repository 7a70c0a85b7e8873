#pragma once
#include <QObject>
#include <QString>
#include <memory>

#include "KvConnectorInterface.h"

class CCyUSBDevice;
class CyDriver;

// Appends the names of the attached USB3 boards, "USB#0|USB#1", to `names`
// and returns how many there are. No device is opened for it.
int buildDeviceList(QString &names, CyDriver *driver = nullptr);

// Register access to the USB3 evaluation board: one vendor control request
// on endpoint 0 per register. Each object has its own current device; two
// connectors never share one.
class KvCypressConnector : public QObject, public KvConnectorInterface
{
    Q_OBJECT
#ifdef KV_CONNECTOR_PLUGIN
    Q_PLUGIN_METADATA(IID KvConnectorInterface_iid FILE "KvCypressConnector.json")
#endif
    Q_INTERFACES(KvConnectorInterface)

public:
    static constexpr int ListBufferSize = 1024;

    // The parent is not used: the object is made without one.
    explicit KvCypressConnector(QObject *parent = nullptr);
    ~KvCypressConnector() override;

    // The driver whose devices the connector uses; the process-wide one
    // unless a test hands in another (not owned).
    void setDriver(CyDriver *driver) { usbDriver = driver; }

    const char *errorString(int code) override;
    char *deviceList() override;
    int open(const char *name) override;
    void close() override;
    int readRegister(int address, int *value) override;
    int writeRegister(int address, int value) override;

    // The board names as a list, for callers that want no C string.
    QString boardNames();
    // The last register request got no answer (the board stopped responding
    // or is gone), as against one the board refused.
    bool lastRequestUnanswered() const;

private:
    CyDriver &driver();
    bool oneByte(bool in, quint8 request, quint16 value, quint16 index, quint8 &byte);

    CyDriver *usbDriver = nullptr;
    std::unique_ptr<CCyUSBDevice> device;
    char listBuffer[ListBufferSize] = {};
};
