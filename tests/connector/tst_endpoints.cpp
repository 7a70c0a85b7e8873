#include <QtTest>
#include <functional>

#include "CCyBulkEndPoint.h"
#include "CCyControlEndPoint.h"
#include "CCyIsocEndPoint.h"
#include "CCyUSBDevice.h"
#include "CyRequestRecord.h"
#include "TestMain.h"

namespace {
// A driver handle that records every request and answers as told: by
// default a request succeeds at once and gives back its whole buffer.
class ScriptedHandle : public CyDriverHandle
{
public:
    struct Call
    {
        quint32 code;
        QByteArray in;
        quint32 outLength;
    };
    // Fills the answer; returns the count of answer bytes, or -1 to fail.
    std::function<qint64(quint32 code, quint8 *out, quint32 outLength)> answer;
    bool leavePending = false;
    QList<Call> calls;
    QList<quint32> waits;

    bool ioControl(quint32 code, void *in, quint32 inLength, void *out, quint32 outLength,
                   quint32 *returned, CyOverlapped *overlapped) override
    {
        calls.append({code, QByteArray(static_cast<const char *>(in), in ? int(inLength) : 0), outLength});
        if (leavePending && overlapped && code != CyIoctl::EndpointAbort) {
            error = CyError::IoPending;
            return false;
        }
        const qint64 count = answer ? answer(code, static_cast<quint8 *>(out), outLength) : outLength;
        error = count < 0 ? CyError::GenFailure : CyError::None;
        const quint32 moved = count < 0 ? 0 : quint32(count);
        if (returned)
            *returned = moved;
        if (overlapped) {
            overlapped->completed = true;
            overlapped->succeeded = count >= 0;
            overlapped->transferred = moved;
        }
        return count >= 0;
    }
    bool waitFor(CyOverlapped &overlapped, quint32 timeoutMs) override
    {
        waits << timeoutMs;
        return overlapped.completed;
    }
    quint32 lastError() const override { return error; }

    quint32 error = CyError::None;
};

const quint8 bulkIn512[7] = {7, 5, 0x81, 2, 0x00, 0x02, 0};
}

// The endpoint classes' request records and transfer steps, against a
// scripted driver.
class tst_endpoints : public QObject
{
    Q_OBJECT

private slots:
    void recordSeconds_data()
    {
        QTest::addColumn<quint32>("timeoutMs");
        QTest::addColumn<quint32>("seconds");
        QTest::newRow("10000") << 10000u << 10u;
        QTest::newRow("1999") << 1999u << 1u;
        QTest::newRow("500") << 500u << 1u;
        QTest::newRow("1") << 1u << 1u;
        QTest::newRow("0") << 0u << 0u;
    }

    void recordSeconds()
    {
        QFETCH(quint32, timeoutMs);
        QFETCH(quint32, seconds);
        ScriptedHandle driver;
        CCyControlEndPoint endpoint(&driver, bulkIn512);
        endpoint.Timeout = timeoutMs;
        quint8 byte = 0;
        qint32 length = 1;
        endpoint.XferData(&byte, length);
        QCOMPARE(CyRequestRecord::read32(reinterpret_cast<const quint8 *>(driver.calls.first().in.constData()) + 8), seconds);
    }

    // The control record: setup fields from the endpoint, data offset 38,
    // the caller's bytes behind it.
    void controlRecord()
    {
        ScriptedHandle driver;
        CCyControlEndPoint endpoint(&driver, bulkIn512);
        endpoint.Target = CCyControlEndPoint::TargetInterface;
        endpoint.ReqType = CCyControlEndPoint::ClassRequest;
        endpoint.Direction = CCyControlEndPoint::DeviceToHost;
        endpoint.ReqCode = 0xB5;
        endpoint.Value = 0x1234;
        endpoint.Index = 0x0056;
        quint8 data[2] = {0xAB, 0xCD};
        qint32 length = 2;
        QVERIFY(endpoint.XferData(data, length));
        const ScriptedHandle::Call &call = driver.calls.first();
        QCOMPARE(call.code, CyIoctl::ControlTransfer);
        QCOMPARE(call.in.toHex(' '), QByteArray::fromHex("a1 b5 3412 5600 0200 0a000000 00 00 00000000 00000000"
                                                         "00000000 00000000 26000000 02000000 ab cd").toHex(' '));
        QCOMPARE(call.outLength, 40u);
        QCOMPARE(length, 2);
    }

    // The count handed back is the answer less the data offset, kept within
    // 0 and the length asked for; only that much is copied.
    void finishClampsTheCount_data()
    {
        QTest::addColumn<qint64>("answered");
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("ok");
        QTest::newRow("whole") << qint64(38 + 4) << 4 << true;
        QTest::newRow("short") << qint64(38 + 1) << 1 << true;
        QTest::newRow("no data") << qint64(38) << 0 << true;
        QTest::newRow("below the record") << qint64(10) << 0 << true;
        QTest::newRow("more than asked") << qint64(38 + 400) << 4 << true;
        QTest::newRow("failed") << qint64(-1) << 0 << false;
    }

    void finishClampsTheCount()
    {
        QFETCH(qint64, answered);
        QFETCH(int, length);
        QFETCH(bool, ok);
        ScriptedHandle driver;
        driver.answer = [answered](quint32, quint8 *out, quint32 outLength) {
            for (quint32 i = 38; i < outLength; ++i)
                out[i] = quint8(i);
            return answered;
        };
        CCyControlEndPoint endpoint(&driver, bulkIn512);
        endpoint.Direction = CCyControlEndPoint::DeviceToHost;
        QByteArray buffer(8, '\x77');
        qint32 asked = 4;
        QCOMPARE(endpoint.XferData(reinterpret_cast<quint8 *>(buffer.data()), asked), ok);
        QCOMPARE(asked, length);
        QCOMPARE(buffer.left(length), QByteArray::fromHex("26272829").left(length));
        QCOMPARE(buffer.mid(length), QByteArray(8 - length, '\x77'));
    }

    // A request still pending when the wait ends is aborted; the transfer
    // fails and nothing is copied.
    void pendingRequestIsAborted()
    {
        ScriptedHandle driver;
        driver.leavePending = true;
        CCyBulkEndPoint endpoint(&driver, bulkIn512);
        endpoint.Timeout = 20;
        quint8 data[4] = {};
        qint32 length = 4;
        QVERIFY(!endpoint.XferData(data, length));
        QCOMPARE(length, 0);
        QCOMPARE(driver.waits.first(), 20u);
        QCOMPARE(driver.calls.size(), 2);
        QCOMPARE(driver.calls.at(0).code, CyIoctl::DirectTransfer);
        QCOMPARE(driver.calls.at(1).code, CyIoctl::EndpointAbort);
        QCOMPARE(driver.calls.at(1).in, QByteArray("\x81", 1));
    }

    void packetModeSplitsReads()
    {
        ScriptedHandle driver;
        QList<quint32> sizes;
        driver.answer = [&sizes](quint32, quint8 *, quint32 outLength) {
            sizes << outLength;
            return sizes.size() < 3 ? qint64(outLength) : qint64(100);
        };
        CCyBulkEndPoint endpoint(&driver, bulkIn512);
        QByteArray buffer(2000, '\0');
        qint32 length = 2000;
        QVERIFY(endpoint.XferData(reinterpret_cast<quint8 *>(buffer.data()), length, nullptr, true));
        QCOMPARE(sizes, QList<quint32>({512, 512, 512}));
        QCOMPARE(length, 1124);
    }

    void transferSizeRoundsUp_data()
    {
        QTest::addColumn<quint32>("asked");
        QTest::addColumn<quint32>("sent");
        QTest::newRow("1000") << 1000u << 1024u;
        QTest::newRow("1024") << 1024u << 1024u;
        QTest::newRow("1") << 1u << 512u;
    }

    void transferSizeRoundsUp()
    {
        QFETCH(quint32, asked);
        QFETCH(quint32, sent);
        ScriptedHandle driver;
        CCyBulkEndPoint endpoint(&driver, bulkIn512);
        endpoint.SetXferSize(asked);
        QCOMPARE(driver.calls.first().code, CyIoctl::SetTransferSize);
        QCOMPARE(CyRequestRecord::read32(reinterpret_cast<const quint8 *>(driver.calls.first().in.constData()) + 1), sent);
    }

    void isochronousPacketRecords()
    {
        ScriptedHandle driver;
        const quint8 iso[7] = {7, 5, 0x02, 1, 0x00, 0x02, 1};
        CCyIsocEndPoint endpoint(&driver, iso);
        endpoint.XferMode = 0;
        QByteArray data(1000, '\x11');
        qint32 length = 1000;
        endpoint.XferData(reinterpret_cast<quint8 *>(data.data()), length);
        const QByteArray record = driver.calls.first().in;
        const auto *r = reinterpret_cast<const quint8 *>(record.constData());
        QCOMPARE(record.size(), 38 + 16 + 1000);
        QCOMPARE(CyRequestRecord::read32(r + 22), 38u);
        QCOMPARE(CyRequestRecord::read32(r + 26), 16u);
        QCOMPARE(CyRequestRecord::read32(r + 30), 54u);
        int count = 0;
        std::unique_ptr<CCyIsoPktInfo[]> infos(endpoint.CreatePktInfos(1000, count));
        QCOMPARE(count, 2);
    }

    void maxPacketSize_data()
    {
        QTest::addColumn<QByteArray>("descriptor");
        QTest::addColumn<QByteArray>("companion");
        QTest::addColumn<int>("maxPktSize");
        QTest::newRow("bulk 512") << QByteArray::fromHex("07 05 81 02 0002 00") << QByteArray() << 512;
        QTest::newRow("high-bandwidth 3 x 1024") << QByteArray::fromHex("07 05 81 01 0014 01") << QByteArray() << 3072;
        QTest::newRow("burst of 4") << QByteArray::fromHex("07 05 81 02 0004 00") << QByteArray::fromHex("06 30 03 00 0000") << 4096;
        QTest::newRow("isochronous, burst 2, mult 3")
            << QByteArray::fromHex("07 05 81 01 0004 01") << QByteArray::fromHex("06 30 01 02 0018") << 6144;
    }

    void maxPacketSize()
    {
        QFETCH(QByteArray, descriptor);
        QFETCH(QByteArray, companion);
        QFETCH(int, maxPktSize);
        const CCyBulkEndPoint endpoint(nullptr, reinterpret_cast<const quint8 *>(descriptor.constData()),
                                       companion.isEmpty() ? nullptr : reinterpret_cast<const quint8 *>(companion.constData()));
        QCOMPARE(int(endpoint.MaxPktSize), maxPktSize);
    }

    void statusTexts_data()
    {
        QTest::addColumn<quint32>("status");
        QTest::addColumn<QString>("text");
        QTest::newRow("success") << 0u << " [state=SUCCESS status=USBD_STATUS_SUCCESS]";
        QTest::newRow("stall") << 0xC0000004u << " [state=STALLED status=USBD_STATUS_STALL_PID]";
        QTest::newRow("halted, error state") << 0x80000030u << " [state=ERROR   status=USBD_STATUS_ENDPOINT_HALTED]";
        QTest::newRow("unknown") << 0xC0000999u << " [state=STALLED status=UNKNOWN]";
    }

    void statusTexts()
    {
        QFETCH(quint32, status);
        QFETCH(QString, text);
        QCOMPARE(CCyUSBDevice::UsbdStatusString(status), text);
    }
};

KV_TEST_MAIN(tst_endpoints)
#include "tst_endpoints.moc"
