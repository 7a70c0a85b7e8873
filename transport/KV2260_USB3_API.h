#pragma once
#include "KvCypressConnector.h"
#include "canal.h"

// Transport of the USB3 evaluation board through the register connector: one
// vendor control request per register. Each operation opens the board by its
// name ("USB#0") and closes it again.
class KV2260_USB3_API : public canal
{
    Q_OBJECT
public:
    KV2260_USB3_API();

    Operations provides() const override;

    bool readRegister(quint8 map, int reg, quint8 *value) override;
    bool readRegisterBlock(quint8 map, int count, quint8 **entries) override;
    bool readRegisterAutoInc(quint8 map, int first, int count, quint8 **values) override;
    bool writeRegister(quint8 map, int reg, quint8 *value) override;
    bool writeRegisterBlock(quint8 map, int count, quint8 *entries) override;
    bool writeRegisterAutoInc(quint8 map, int first, int count, quint8 *values) override;
    bool sendPacket(int length, quint8 **packet) override;
    QStringList deviceList() override;

private:
    // One register: its address, where its value is taken from or stored
    // into, and for a read the value that goes out with the request.
    struct Access
    {
        int address;
        quint8 *value;
        int sent;
    };
    static QVector<Access> entryAccesses(quint8 *entries, int count);
    static QVector<Access> rangeAccesses(int first, int count, quint8 *values);
    bool connectBoard();
    // Why the connector's last register request failed.
    Failure requestFailure() const;
    bool readAll(const QVector<Access> &registers);
    bool writeAll(const QVector<Access> &registers);
    bool countAccepted(int count);
    bool rangeAccepted(int first, int count);

    KvCypressConnector connector;
};
