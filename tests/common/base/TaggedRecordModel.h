#pragma once

// A reader of tagged records shaped like the program's data-file readers,
// over the record routines of the Funcs unit: a document record "Doc" with
// one field of each value kind and a list of "Row" records. The tests and
// the fuzz target load damaged files through it.

#include "common/base/Funcs.h"

#include "platform/classes/Streams.h"

#include <vector>

namespace tagged_model {

struct Row {
    AnsiString Name;
    Currency Price;
};

struct Doc {
    AnsiString Title;
    Integer Number = 0;
    bool Marked = false;
    double Date = 0;
    Currency Total;
    std::vector<Row> Rows;
};

inline void ReadRow(TStream& Stream, Row& R)
{
    for (;;) {
        switch (ReadByte(Stream)) {
        case TagRecordStart:
            ReadRecordHeader(Stream, "Row");
            break;
        case 1:
            R.Name = ReadString(Stream);
            break;
        case 2:
            R.Price = ReadCurrency(Stream);
            break;
        case TagRecordEnd:
            return;
        default:
            RaiseUnknownTag();
        }
    }
}

inline void ReadDoc(TStream& Stream, Doc& D)
{
    for (;;) {
        switch (ReadByte(Stream)) {
        case TagRecordStart:
            ReadRecordHeader(Stream, "Doc");
            break;
        case 1:
            D.Title = ReadString(Stream);
            break;
        case 2:
            D.Number = ReadInteger(Stream);
            break;
        case 3:
            D.Marked = ReadBoolean(Stream);
            break;
        case 4:
            D.Date = ReadDouble(Stream);
            break;
        case 5:
            D.Total = ReadCurrency(Stream);
            break;
        case TagRecordList: {
            const Integer Count = ReadRecordListCount(Stream);
            for (Integer I = 0; I < Count; ++I) {
                D.Rows.emplace_back();
                ReadRow(Stream, D.Rows.back());
            }
            break;
        }
        case TagRecordEnd:
            return;
        default:
            RaiseUnknownTag();
        }
    }
}

inline void WriteDoc(TStream& Stream, const Doc& D)
{
    WriteRecordStart(Stream, "Doc");
    WriteByte(Stream, 1);
    WriteString(Stream, D.Title);
    WriteByte(Stream, 2);
    WriteInteger(Stream, D.Number);
    WriteByte(Stream, 3);
    WriteBoolean(Stream, D.Marked);
    WriteByte(Stream, 4);
    WriteDouble(Stream, D.Date);
    WriteByte(Stream, 5);
    WriteCurrency(Stream, D.Total);
    WriteRecordList(Stream, static_cast<Integer>(D.Rows.size()));
    for (const Row& R : D.Rows) {
        WriteRecordStart(Stream, "Row");
        WriteByte(Stream, 1);
        WriteString(Stream, R.Name);
        WriteByte(Stream, 2);
        WriteCurrency(Stream, R.Price);
        WriteRecordEnd(Stream);
    }
    WriteRecordEnd(Stream);
}

} // namespace tagged_model
