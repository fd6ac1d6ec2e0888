// The saved invoice state ("LastInvoice.inv"): the invoice record
// "shInvoice", then the row-list record "sITL" holding the "TInT1" row
// records, all in the tagged stream encoding. No version or checksum: the
// tags themselves tell the layout, and older files with the row header
// "TInT", integer quantities (tag 8) and saved marks (tag 16) still load.

#include "app/InvoiceType.h"

#include "common/base/Funcs.h"
#include "common/base/HBuffFile.h"
#include "platform/classes/Streams.h"
#include "platform/classes/Strings.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"

namespace {

const char* const InvoiceHeader = "shInvoice";
const char* const ListHeader = "sITL";
const char* const RowHeader = "TInT1";
const char* const OldRowHeader = "TInT";
constexpr Int64 RowCostPerFileByte = 10;

// One overload per field type, so the record writers read as the layout
// tables do.
void WriteField(TStream& Stream, Byte Tag, const AnsiString& Value)
{
    WriteStringField(Stream, Tag, Value);
}

void WriteField(TStream& Stream, Byte Tag, Integer Value)
{
    WriteIntegerField(Stream, Tag, Value);
}

void WriteField(TStream& Stream, Byte Tag, Currency Value)
{
    WriteCurrencyField(Stream, Tag, Value);
}

void WriteField(TStream& Stream, Byte Tag, bool Value)
{
    WriteBooleanField(Stream, Tag, Value);
}

void WriteField(TStream& Stream, Byte Tag, TDateTime Value)
{
    WriteDoubleField(Stream, Tag, double(Value));
}

}  // namespace

// ---- rows --------------------------------------------------------------------

void TshInvoiceTovar::SaveToStream(TStream& Stream) const
{
    WriteRecordStart(Stream, RowHeader);
    WriteField(Stream, 1, Name);
    WriteField(Stream, 2, Tip);
    WriteField(Stream, 3, Description);
    WriteField(Stream, 4, Firm);
    WriteField(Stream, 5, Country);
    WriteField(Stream, 6, ArticleCode);
    WriteField(Stream, 7, Warranty);
    WriteField(Stream, 9, Price);
    WriteField(Stream, 10, PriceOpt);
    WriteField(Stream, 11, PriceDiscount);
    WriteField(Stream, 12, Markup);
    WriteField(Stream, 13, Discount);
    WriteField(Stream, 14, Reserve1);
    WriteField(Stream, 15, Calculated);
    WriteField(Stream, 18, Kolvo);
    WriteField(Stream, 19, Reserve4);
    WriteField(Stream, 20, Reserve2);
    WriteField(Stream, 21, Ed);
    WriteField(Stream, 22, Reserve3);
    WriteRecordEnd(Stream);
}

namespace {

void CheckRowHeader(const AnsiString& Header)
{
    if (Header != RowHeader && Header != OldRowHeader)
        RaiseLoadError("Неверный заголовок"_a);
}

}  // namespace

void TshInvoiceTovar::LoadFromStream(TStream& Stream)
{
    // A row is a whole record, its start first: a lone end tag read as an
    // empty row made a file of 0xFF bytes a million rows.
    ReadRecordStartTag(Stream);
    CheckRowHeader(ReadString(Stream));
    for (;;) {
        const Byte Tag = ReadByte(Stream);
        switch (Tag) {
        case TagRecordStart: CheckRowHeader(ReadString(Stream)); break;
        case 1: Name = ReadString(Stream); break;
        case 2: Tip = ReadString(Stream); break;
        case 3: Description = ReadString(Stream); break;
        case 4: Firm = ReadString(Stream); break;
        case 5: Country = ReadString(Stream); break;
        case 6: ArticleCode = ReadString(Stream); break;
        case 7: Warranty = ReadInteger(Stream); break;
        case 8: Kolvo = Currency(ReadInteger(Stream)); break;
        case 9: Price = ReadCurrency(Stream); break;
        case 10: PriceOpt = ReadCurrency(Stream); break;
        case 11: PriceDiscount = ReadCurrency(Stream); break;
        case 12: Markup = ReadCurrency(Stream); break;
        case 13: Discount = ReadCurrency(Stream); break;
        case 14: Reserve1 = ReadCurrency(Stream); break;
        case 15: Calculated = ReadBoolean(Stream); break;
        case 16: Marked = ReadBoolean(Stream); break;
        case 18: Kolvo = ReadCurrency(Stream); break;
        case 19: Reserve4 = ReadBoolean(Stream); break;
        case 20: Reserve2 = ReadString(Stream); break;
        case 21: Ed = ReadString(Stream); break;
        case 22: Reserve3 = ReadString(Stream); break;
        case TagRecordEnd: return;
        default: RaiseUnknownTag();
        }
    }
}

// ---- row list ----------------------------------------------------------------

void TshInvoiceTovarList::SaveToStream(TStream& Stream)
{
    WriteRecordStart(Stream, ListHeader);
    WriteField(Stream, 1, SheetTotal);
    WriteField(Stream, 2, SumOpt);
    WriteField(Stream, 3, SumRetail);
    WriteField(Stream, 4, SumDiscount);
    WriteField(Stream, 5, SumKolvo);
    WriteField(Stream, 6, Nds);
    WriteField(Stream, 7, ListKind);
    WriteField(Stream, 8, GetErrors()->Text());
    const Integer N = Count();
    WriteRecordList(Stream, N);
    for (Integer I = 0; I < N; ++I)
        GetItem(I)->SaveToStream(Stream);
    WriteRecordEnd(Stream);
}

void TshInvoiceTovarList::LoadFromStream(TStream& Stream)
{
    Clear();
    // Each record opens with its start: a file whose bytes begin anywhere
    // else is not taken for an empty invoice (which the next save would
    // write over it).
    ReadRecordStartTag(Stream);
    ReadRecordHeader(Stream, ListHeader);
    for (;;) {
        const Byte Tag = ReadByte(Stream);
        switch (Tag) {
        case TagRecordStart: ReadRecordHeader(Stream, ListHeader); break;
        case 1: SheetTotal = ReadCurrency(Stream); break;
        case 2: SumOpt = ReadCurrency(Stream); break;
        case 3: SumRetail = ReadCurrency(Stream); break;
        case 4: SumDiscount = ReadCurrency(Stream); break;
        case 5: SumKolvo = ReadCurrency(Stream); break;
        case 6: Nds = ReadCurrency(Stream); break;
        case 7: ListKind = ReadInteger(Stream); break;
        case 8: GetErrors()->SetText(ReadString(Stream)); break;
        case TagRecordList: {
            // The count is checked against the bytes left, and rows are
            // created one by one as they are read: never a huge allocation.
            // A row holds far more in memory than its bytes in the file (the
            // smallest, 8 bytes, is an object of some 400): the rows of a
            // file may take ten times its size and a megabyte, which the
            // program's own rows (all fields written) stay well inside.
            const Integer N = ReadRecordListCount(Stream);
            const Int64 Budget = RowCostPerFileByte * Stream.Size() + (Int64(1) << 20);
            Int64 Cost = 0;
            for (Integer I = 0; I < N; ++I) {
                const Int64 Start = Stream.Position();
                Add()->LoadFromStream(Stream);
                // The object, its slot and the allocator's share, and the
                // row's texts at most twice their bytes.
                Cost += Int64(sizeof(TshInvoiceTovar)) + 32 + 2 * (Stream.Position() - Start);
                if (Cost > Budget)
                    RaiseLoadError("Слишком много строк накладной для размера файла"_a);
            }
            break;
        }
        case TagRecordEnd: return;
        default: RaiseUnknownTag();
        }
    }
}

// ---- invoice -----------------------------------------------------------------

void TshInvoice::SaveToStream(TStream& Stream)
{
    WriteRecordStart(Stream, InvoiceHeader);
    WriteField(Stream, 1, HeaderInt);
    WriteField(Stream, 2, NameDoc);
    WriteField(Stream, 3, FileName);
    WriteField(Stream, 4, NumDoc);
    WriteField(Stream, 5, DateDoc);
    WriteField(Stream, 7, DateIn);
    WriteField(Stream, 9, RespFio);
    WriteField(Stream, 10, Depart);
    WriteField(Stream, 11, Provider);
    WriteRecordEnd(Stream);
    inherited::SaveToStream(Stream);
}

void TshInvoice::LoadFromStream(TStream& Stream)
{
    ReadRecordStartTag(Stream);
    ReadRecordHeader(Stream, InvoiceHeader);
    bool Done = false;
    while (!Done) {
        const Byte Tag = ReadByte(Stream);
        switch (Tag) {
        case TagRecordStart: ReadRecordHeader(Stream, InvoiceHeader); break;
        case 1: HeaderInt = ReadInteger(Stream); break;
        case 2: NameDoc = ReadString(Stream); break;
        case 3: FileName = ReadString(Stream); break;
        case 4: NumDoc = ReadString(Stream); break;
        case 5: DateDoc = TDateTime(ReadDouble(Stream)); break;
        case 6:
        case 8:
            // Integer fields of older versions, read and dropped.
            (void)ReadInteger(Stream);
            break;
        case 7: DateIn = TDateTime(ReadDouble(Stream)); break;
        case 9: RespFio = ReadString(Stream); break;
        case 10: Depart = ReadString(Stream); break;
        case 11: Provider = ReadString(Stream); break;
        case TagRecordEnd: Done = true; break;
        default: RaiseUnknownTag();
        }
    }
    inherited::LoadFromStream(Stream);
}

void TshInvoice::AssignHeader(const TshInvoice& Source)
{
    FileName = Source.FileName;
    DateDoc = Source.DateDoc;
    NumDoc = Source.NumDoc;
    HeaderInt = Source.HeaderInt;
    NameDoc = Source.NameDoc;
    DateIn = Source.DateIn;
    DocKind = Source.DocKind;
    RespFio = Source.RespFio;
    Depart = Source.Depart;
    Provider = Source.Provider;
}

void TshInvoice::LoadFromFile(const AnsiString& AFileName)
{
    // The file is read into a separate invoice that starts from this one's
    // header and list fields, as a read in place would (fields absent from
    // the file keep their values); only a complete read replaces this
    // invoice, so a broken file never leaves a half-read invoice that looks
    // whole (and that a later save would write over the file).
    TshInvoice Loaded(DocKind);
    Loaded.AssignHeader(*this);
    Loaded.AssignListFields(*this);
    {
        TschFileStream Stream(AFileName, schOpenRead);
        Loaded.Clear();
        Loaded.LoadFromStream(Stream);
    }
    AssignHeader(Loaded);
    TakeRowsFrom(Loaded);
}

void TshInvoice::SaveToFile(const AnsiString& AFileName)
{
    // Written beside the target and renamed over it when complete: a failed
    // or interrupted save leaves the previous state file as it was.
    SaveDataFile(AFileName, [this](TStream& Stream) { SaveToStream(Stream); });
}
