#pragma once
#include <QtPlugin>

// Register access to a board, as a program or a plugin offers it: open the
// board by name, read and write one register at a time, close it. open,
// readRegister and writeRegister return 0 on success or a negative code
// that errorString turns into text.
class KvConnectorInterface
{
public:
    enum Code {
        InvalidDeviceName = -1,
        CannotOpenInterface = -2,
        ReadXferError = -3,
        WriteXferError = -4,
    };

    virtual ~KvConnectorInterface() = default;
    virtual const char *errorString(int code) = 0;
    virtual char *deviceList() = 0;
    virtual int open(const char *name) = 0;
    virtual void close() = 0;
    virtual int readRegister(int address, int *value) = 0;
    virtual int writeRegister(int address, int value) = 0;
};

#define KvConnectorInterface_iid "org.korvane.KvConnectorInterface"
Q_DECLARE_INTERFACE(KvConnectorInterface, KvConnectorInterface_iid)
