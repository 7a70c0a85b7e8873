#include "CyRequestRecord.h"

CyRequestRecord CyRequestRecord::control(quint8 requestType, quint8 request, quint16 value,
                                         quint16 index, quint16 length, quint32 timeoutSeconds)
{
    CyRequestRecord record(length);
    record.setByte(RequestType, requestType);
    record.setByte(Request, request);
    record.setWord(Value, value);
    record.setWord(Index, index);
    record.setWord(Length, length);
    record.setDword(TimeoutSeconds, timeoutSeconds);
    record.setDword(DataOffset, Size);
    record.setDword(DataLength, length);
    return record;
}
