#include "app/InvFRep.h"

#include "app/Globals.h"
#include "app/PriceFormat.h"
#include "common/base/Funcs.h"
#include "common/base/HBuffFile.h"
#include "common/components/MsgWin.h"
#include "common/components/YLDCompn.h"
#include "common/reports/RP_View.h"
#include "platform/classes/Streams.h"
#include "platform/classes/Strings.h"
#include "platform/winapi/Messages.h"
#include "platform/winapi/Windows.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/StrUtils.h"
#include "platform/rtl/Variant.h"

namespace {

constexpr UINT WM_FREEDOCDESIGN = WM_USER + 1;
constexpr UINT WM_FREEDOCPRINT = WM_USER + 2;

/// True when S holds a quote or "<", the marks of a composite expression.
bool HasLiteralMarks(const AnsiString& S)
{
    return S.Pos("'") > 0 || S.Pos("\"") > 0 || S.Pos("<") > 0;
}

bool IsLineBreakTag(const AnsiString& S, int I)
{
    return I + 3 <= S.Length() && S[I] == '<' && (S[I + 1] == 'C' || S[I + 1] == 'c') &&
           (S[I + 2] == 'R' || S[I + 2] == 'r') && S[I + 3] == '>';
}

/// Splits "NAME.3" into the name and its group position (1 without a
/// suffix). Only numbers of 0 and more count as a suffix.
AnsiString SplitGroupSuffix(const AnsiString& Name, int& N)
{
    N = 1;
    const int Dot = LastPosOf(".", Name);
    if (Dot == 0)
        return Name;
    const AnsiString Tail = Trim(Name.SubString(Dot + 1, Name.Length() - Dot));
    int Value = 0;
    if (Tail.IsEmpty() || !TryStrToInt(Tail, Value) || Value < 0)
        return Name;
    N = Value;
    return Trim(Name.SubString(1, Dot - 1));
}

AnsiString DecimalText(Currency Value)
{
    return CurrToStr(Value);
}

} // namespace

VarExpression ParseVarExpression(const AnsiString& Text)
{
    VarExpression R;
    if (!HasLiteralMarks(Text)) {
        R.Name = Text;
        return R;
    }
    const auto Malformed = [&Text]() {
        VarExpression M;
        M.Name = Text;
        return M;
    };
    bool NameRead = false;
    int I = 1;
    while (I <= Text.Length()) {
        const char C = Text[I];
        AnsiString& Literal = NameRead ? R.After : R.Before;
        if (C == ' ' || C == '\t') {
            Literal += C;
            ++I;
        } else if (C == '.' && !NameRead) {
            ++I;
        } else if (C == '<') {
            if (!IsLineBreakTag(Text, I))
                return Malformed();
            Literal += "\r\n";
            I += 4;
        } else if (C == '\'' || C == '"') {
            const int Close = PosFrom(AnsiString(C), Text, I + 1);
            if (Close == 0)
                return Malformed();
            Literal += Text.SubString(I + 1, Close - I - 1);
            I = Close + 1;
        } else if (!NameRead) {
            int End = I;
            while (End <= Text.Length() && Text[End] != '\'' && Text[End] != '"' && Text[End] != '<')
                ++End;
            R.Name = Text.SubString(I, End - I);
            NameRead = true;
            I = End;
        } else {
            // A second name: the expression is not one the builder knows.
            return Malformed();
        }
    }
    return R;
}

int GroupSizeOf(const AnsiString& NameDocument)
{
    const int Open = NameDocument.Pos("(");
    if (Open == 0)
        return 1;
    // Only a closed pair of brackets gives the group: "Ценники (3" is a
    // name, not a group of three.
    const int Close = PosFrom(")", NameDocument, Open + 1);
    if (Close == 0)
        return 1;
    const int N = StrToIntDef(Trim(NameDocument.SubString(Open + 1, Close - Open - 1)), 1);
    // A group of no rows would never move on to the next row.
    return N < 1 ? 1 : N;
}

PRICETAGS_DEFINE_CLASS(TFormFRep)

TFormFRep* FormFRep = nullptr;

TFormFRep::TFormFRep(TComponent* AOwner)
    : TForm(AOwner), FErrors(std::make_unique<TStringList>()), FDocDate(Now())
{
    {
        const LoadingScope Loading(this);
        SetName("FormFRep");
        docPriceTicket = new TDocument(this);
        docPriceTicket->SetName("docPriceTicket");
        docPriceTicket->SetTitle("Печать ценников"_a);
        docPriceTicket->SetNameDocument("Ценники"_a);
        docPriceTicket->SetNameSaveFile("SS.dcf");
        docPriceTicket->SetCharset(204);
        docPriceTicket->SetDefSaveAsIni(false);
        docPriceTicket->OnBeginDoc = TBeginDocEvent(this, &TFormFRep::docPriceTicketBeginDoc);
        docPriceTicket->OnEndDoc = TEndDocEvent(this, &TFormFRep::EndDoc);
        docPriceTicket->OnBeginPage = TBeginPageEvent(this, &TFormFRep::docPriceTicketBeginPage);
        docPriceTicket->OnGetValue = TDetailEvent(this, &TFormFRep::docPriceTicketGetValue);
        docPriceTicket->OnNeedData = TNeedDataEvent(this, &TFormFRep::docPriceTicketNeedData);
        docPriceTicket->OnEnterRect = TEnterRectEvent(this, &TFormFRep::docPriceTicketEnterRect);
        docPriceTicket->OnLoadBegin = TLoadSaveEvent(this, &TFormFRep::docLoadBegin);
        docPriceTicket->OnSaveBegin = TLoadSaveEvent(this, &TFormFRep::docSaveBegin);
        docPriceTicket->OnLoadEnd = TNotifyEvent(this, &TFormFRep::docLoadEnd);
        docPriceTicket->OnSaveEnd = TNotifyEvent(this, &TFormFRep::docSaveEnd);

        Document1 = new TDocument(this);
        Document1->SetName("Document1");
        Document1->SetTitle("Печать ведомости"_a);
        Document1->SetNameDocument("Ведомость"_a);
        Document1->SetNameSaveFile("SS.dcf");
        Document1->SetCharset(204);
        Document1->SetDefSaveAsIni(false);
        Document1->OnBeginDoc = docPriceTicket->OnBeginDoc;
        Document1->OnEndDoc = docPriceTicket->OnEndDoc;
        Document1->OnBeginPage = docPriceTicket->OnBeginPage;
        Document1->OnGetValue = docPriceTicket->OnGetValue;
        Document1->OnNeedData = docPriceTicket->OnNeedData;
        Document1->OnEnterRect = docPriceTicket->OnEnterRect;

        SaveDialog = new TSaveDialog(this);
        SaveDialog->SetName("SaveDialog");
        SaveDialog->SetTitle("Сохранение шаблона документа"_a);
        SaveDialog->SetFilter("Файлы документов|*.dcf;*.dcr|Все файлы|*.*"_a);

        // Catalogues of variable names for template authors.
        const auto Holder = [this](const char* Name) {
            auto* H = new Tyl_StrHolder(this);
            H->SetName(Name);
            return H;
        };
        stCommon = Holder("stCommon");
        stCommon->Strings()->SetText("MONTH\r\nYEAR\r\nDAY\r\nDATE\r\nCUSTOMER\r\nCUSTOMER2\r\n");
        stReport = Holder("stReport");
        stReport->Strings()->SetText(
            "NAMEDOC\r\nNUMDOC\r\nDATEDOC\r\nDATEDOCMONTH\r\nRESPFIO\r\nDEPART\r\nITOGO\r\n"
            "ITOGOOPT\r\n");
        stLST = Holder("stLST");
        stLST->Strings()->SetText(
            "NAME\r\nFULLNAME\r\nDESCRIPTION\r\nTIP\r\nCOUNTRY\r\nFIRM\r\nED\r\nKOLVO\r\n"
            "WARRANTY\r\nPRICE\r\nPRICEOPT\r\nPRICE.R\r\nPRICEDISCOUNT\r\nPRICEDISCOUNT.R\r\n"
            "BYCARD\r\nSUMMA\r\nSUMMADISC\r\nRUB\r\nKOP\r\n");
        stStaff2 = Holder("stStaff2");
    }
    DoCreate();
}

TFormFRep::~TFormFRep()
{
    if (FormFRep == this)
        FormFRep = nullptr;
}

// ---- the operations of the main window -------------------------------------------------------

void TFormFRep::BuildDocument(int Kind, TshInvoice* Invoice, const AnsiString& FileName)
{
    if (FBusy)
        ErrorMsgAbort("Выполнение невозможно\r\nИдет формирование другого документа"_a);
    if (Kind >= 3)
        ErrorMsgAbort("Не определен документ"_a);
    FFileName = FileName;
    FKind = Kind;
    FInvoice = Invoice;
    FBusy = true;
    const TCursor OldCursor = Screen->Cursor();
    Screen->SetCursor(crHourGlass);
    try {
        FErrors->Clear();
        OpenDocPrint();
    } catch (...) {
        if (!FPrintViewOpen)
            FBusy = false;
        Screen->SetCursor(OldCursor);
        throw;
    }
    if (!FPrintViewOpen)
        FBusy = false;
    Screen->SetCursor(OldCursor);
    if (FErrors->Count() > 0)
        ErrorMsg("Ошибки формирования документа|"_a + FErrors->Text());
}

void TFormFRep::OpenDocPrint()
{
    if (FDocPrint)
        ErrorMsgAbort("Печать уже запущена"_a);
    FIsTicket = false;
    FIsReport = false;
    FDocPrint = std::make_unique<TDocument>(nullptr);
    TDocument* D = FDocPrint.get();
    D->SetTitle(docPriceTicket->Title());
    D->SetDefSaveAsIni(docPriceTicket->DefSaveAsIni());
    D->SetMargins(docPriceTicket->MarginsFlag());
    D->OnBeginDoc = docPriceTicket->OnBeginDoc;
    D->OnEndDoc = docPriceTicket->OnEndDoc;
    D->OnBeginPage = docPriceTicket->OnBeginPage;
    D->OnEndPage = docPriceTicket->OnEndPage;
    D->OnGetValue = docPriceTicket->OnGetValue;
    D->OnEnterRect = docPriceTicket->OnEnterRect;
    D->OnOwnerDraw = docPriceTicket->OnOwnerDraw;
    D->OnNeedData = docPriceTicket->OnNeedData;
    D->OnProgress = docPriceTicket->OnProgress;
    D->OnSaveBegin = docPriceTicket->OnSaveBegin;
    D->OnLoadBegin = docPriceTicket->OnLoadBegin;
    D->OnSaveEnd = docPriceTicket->OnSaveEnd;
    D->OnLoadEnd = docPriceTicket->OnLoadEnd;
    D->SetCharset(docPriceTicket->Charset());
    // A template that does not load, or a preview that does not start,
    // ends this print: the document goes, so the next print can run.
    try {
        D->SetNameSaveFile(gTxtPath + ExtractFileName(FFileName));
        D->Load();
        D->OnBegPrintView = TNotifyEvent(this, &TFormFRep::DocPrintBegPrintView);
        D->OnEndPrintView = TNotifyEvent(this, &TFormFRep::DocPrintEndPrintView);
        DetectDocKind(D);
        StartPrintView(D);
    } catch (...) {
        if (!FPrintViewOpen)
            FDocPrint.reset();
        throw;
    }
}

void TFormFRep::DetectDocKind(TDocument* Doc)
{
    const AnsiString Name = AnsiUpperCase(ExtractFileName(Doc->NameSaveFile()));
    FIsTicket = Name.Pos("TICKET") == 1;
    FIsReport = Name.Pos("REPORT") == 1;
}

void TFormFRep::DocPrintBegPrintView(TObject*)
{
    FPrintViewOpen = true;
}

void TFormFRep::DocPrintEndPrintView(TObject* Sender)
{
    if (Sender != FDocPrint.get())
        RaiseAppError("Пока не многодокументный"_a);
    Application->ProcessMessages();
    // The document is never freed inside its own event.
    PostMessage(Handle(), WM_FREEDOCPRINT, 0, 0);
}

void TFormFRep::FreeDocPrint()
{
    FDocPrint.reset();
    FBusy = false;
    FPrintViewOpen = false;
}

void TFormFRep::OpenPrintFile(const AnsiString& FileName)
{
    if (FDocPrint)
        ErrorMsgAbort("Печать уже запущена"_a);
    FDocPrint = std::make_unique<TDocument>(nullptr);
    FDocPrint->SetTitle(FileName);
    FDocPrint->OnBegPrintView = TNotifyEvent(this, &TFormFRep::DocPrintBegPrintView);
    FDocPrint->OnEndPrintView = TNotifyEvent(this, &TFormFRep::DocPrintEndPrintView);
    try {
        StartPrintViewFile(FDocPrint.get(), FileName);
    } catch (...) {
        if (!FPrintViewOpen)
            FDocPrint.reset();
        throw;
    }
}

void TFormFRep::DesignDocument(const AnsiString& FileName)
{
    OpenDocDesign(FileName);
}

void TFormFRep::OpenDocDesign(const AnsiString& FileName)
{
    if (FDocDesign)
        ErrorMsgAbort("Конструктор уже запущен"_a);
    FIsTicket = false;
    FIsReport = false;
    FDocDesign = std::make_unique<TDocument>(nullptr);
    TDocument* D = FDocDesign.get();
    D->SetDefSaveAsIni(false);
    D->OnLoadBegin = TLoadSaveEvent(this, &TFormFRep::docLoadBegin);
    D->OnSaveBegin = TLoadSaveEvent(this, &TFormFRep::docSaveBegin);
    D->OnLoadEnd = TNotifyEvent(this, &TFormFRep::docLoadEnd);
    D->OnSaveEnd = TNotifyEvent(this, &TFormFRep::docSaveEnd);
    FFirstSave = true;
    // A name with a folder is taken as it stands; a bare name is a template
    // of the "TXT" folder.
    const bool HasFolder = FileName.Pos("/") > 0;
    D->SetNameSaveFile(HasFolder ? FileName : gTxtPath + ExtractFileName(FileName));
    try {
        D->DesignerOpen = true;
        D->Load();
        D->OnEndDesign = TNotifyEvent(this, &TFormFRep::DocDesignEndDesign);
        DetectDocKind(D);
        StartDesign(D);
    } catch (...) {
        FDocDesign.reset();
        throw;
    }
}

void TFormFRep::DocDesignEndDesign(TObject* Sender)
{
    PostMessage(Handle(), WM_FREEDOCDESIGN, 0, reinterpret_cast<LPARAM>(Sender));
}

void TFormFRep::FreeDocDesign(TDocument* Doc)
{
    if (Doc != FDocDesign.get())
        ErrorMsg("FreeDocDesign: Окуда взялся этот документ ?"_a);
    FDocDesign.reset();
}

void TFormFRep::WndProc(TMessage& Message)
{
    if (Message.Msg == WM_FREEDOCPRINT) {
        FreeDocPrint();
        return;
    }
    if (Message.Msg == WM_FREEDOCDESIGN) {
        FreeDocDesign(reinterpret_cast<TDocument*>(Message.LParam));
        return;
    }
    inherited::WndProc(Message);
}

void TFormFRep::StartPrintView(TDocument* Doc)
{
    Doc->PrintView(/*Modal=*/false);
}

void TFormFRep::StartPrintViewFile(TDocument* Doc, const AnsiString& FileName)
{
    // A refused file has been shown to the operator; the print ends quietly.
    if (!Doc->PrintViewFile(FileName, /*Modal=*/false))
        Abort();
}

void TFormFRep::StartDesign(TDocument* Doc)
{
    Doc->Design(/*Modal=*/true);
}

bool TFormFRep::ImportTemplate(const AnsiString& FileName)
{
    TMemoryStream Data;
    {
        TschFileStream In(FileName, fmOpenRead);
        Data.SetSize(In.Size());
        if (Data.Size() > 0)
            In.ReadBuffer(Data.Memory(), static_cast<int>(Data.Size()));
    }
    AnsiString Name = ExtractFileName(FileName);
    const int NC = AnsiUpperCase(Name).Pos("-NC");
    if (NC > 0)
        Name = Name.SubString(1, NC - 1) + Name.SubString(NC + 3, Name.Length() - NC - 2);
    const AnsiString Target = gTxtPath + Name;
    // A template of that name may be one the shop changed: it is replaced
    // only when the operator agrees.
    if (FileExists(Target) &&
        !AskYesNo("Шаблон «"_a + Name + "» уже есть в папке шаблонов"_a,
                  "Заменить его?"_a, false))
        return false;
    SaveDataFile(Target, [&Data](TStream& Out) {
        Out.WriteBuffer(Data.Memory(), static_cast<int>(Data.Size()));
    });
    return true;
}

AnsiString TFormFRep::GetTemplateDocName(const AnsiString& FileName)
{
    try {
        TDocument Doc(nullptr);
        // Templates are named without their extension ("TXT/Ticket1").
        if (!Doc.LoadHeaderFromFile(Doc.GetTemplateFileName(FileName, /*AsIni=*/false)))
            return "";
        return Doc.NameDocument();
    } catch (const Exception&) {
        return "";
    }
}

// ---- template streams -------------------------------------------------------------------------

void TFormFRep::docLoadBegin(TObject*, const AnsiString& FileName, TStream*& Stream)
{
    TschFileStream In(FileName, fmOpenRead);
    FLoadStream.reset();
    FStreamFile = FileName;
    auto Data = std::make_unique<TMemoryStream>();
    Data->SetSize(In.Size());
    if (Data->Size() > 0)
        In.ReadBuffer(Data->Memory(), static_cast<int>(Data->Size()));
    Data->SetPosition(0);
    FLoadStream = std::move(Data);
    Stream = FLoadStream.get();
}

void TFormFRep::docLoadEnd(TObject*)
{
    FLoadStream.reset();
}

void TFormFRep::docSaveBegin(TObject*, const AnsiString& FileName, TStream*& Stream)
{
    FStreamFile = FileName;
    FLoadStream = std::make_unique<TMemoryStream>();
    Stream = FLoadStream.get();
}

void TFormFRep::docSaveEnd(TObject*)
{
    std::unique_ptr<TMemoryStream> Data = std::move(FLoadStream);
    AnsiString Name = FStreamFile;
    if (!Data)
        return;
    // A cancelled file choice writes nothing, and the designer must not
    // take the template for saved.
    if (!AskSaveFileName(Name))
        Abort();
    SaveDataFile(Name, [&Data](TStream& Out) {
        Out.WriteBuffer(Data->Memory(), static_cast<int>(Data->Size()));
    });
}

bool TFormFRep::AskSaveFileName(AnsiString& FileName)
{
    if (!FFirstSave)
        return true;
    SaveDialog->SetInitialDir(ExtractFilePath(FileName));
    SaveDialog->SetFileName(ExtractFileName(FileName));
    if (!SaveDialog->Execute())
        return false;
    FFirstSave = false;
    FileName = SaveDialog->FileName();
    return true;
}

void TFormFRep::EndDoc(TObject*) {}

// ---- data rows --------------------------------------------------------------------------------

bool TFormFRep::Printable(int Row) const
{
    return FAllRows || FInvoice->GetItem(Row)->Marked;
}

int TFormFRep::NextRow(int From, int Step) const
{
    if (From < 0) {
        From = -1;
        Step = 1;
    }
    if (Step < 1)
        return From;
    const int Count = FInvoice ? FInvoice->Count() : 0;
    int Passed = 0;
    for (int I = From + 1; I < Count; ++I) {
        if (Printable(I) && ++Passed == Step)
            return I;
    }
    return Count;
}

void TFormFRep::docPriceTicketBeginDoc(TObject* Sender)
{
    FAllRows = !FInvoice || !FInvoice->AnyMarked();
    FGroupSize = GroupSizeOf(static_cast<TDocument*>(Sender)->NameDocument());
    FCurRow = -1;
}

void TFormFRep::docPriceTicketBeginPage(TObject*, int, TStringList*, TStringList*, TStringList*)
{
    FCurRow = -1;
}

void TFormFRep::docPriceTicketNeedData(TObject*, TBandType b, bool& NeedMore)
{
    if (b != btMasterData)
        return;
    FCurRow = NextRow(FCurRow, FGroupSize);
    NeedMore = FInvoice && FCurRow < FInvoice->Count();
}

void TFormFRep::docPriceTicketEnterRect(TObject*, TBandType b, TStringList*, TView* View)
{
    if (b != btMasterData || View->Tag < 1 || View->Tag > FGroupSize || FCurRow < 0 || !FInvoice)
        return;
    // An empty tag on a sheet's last row shows neither its frame nor the
    // shop and date that need no row.
    View->Hidden = NextRow(FCurRow, View->Tag - 1) >= FInvoice->Count();
}

// ---- variables --------------------------------------------------------------------------------

AnsiString TFormFRep::Price(Currency Value) const
{
    const int Style = FIsTicket   ? gCfgObject->PriceStyle
                      : FIsReport ? gCfgObject->PriceStyleRep
                                  : gCfgObject->PriceStyleXxx;
    AnsiString Text;
    FormatPrice(Style, Text, Value);
    return Text;
}

AnsiString TFormFRep::Sum(Currency Value) const
{
    if (!FIsReport)
        return Price(Value);
    // Styles 0 and 10 show kopecks only when there are any; 2 and 12 are
    // the same with them always.
    int Style = gCfgObject->PriceStyleRep;
    if (Style == 0 || Style == 10)
        Style += 2;
    AnsiString Text;
    FormatPrice(Style, Text, Value);
    return Text;
}

bool TFormFRep::ResolveRow(const AnsiString& AName, AnsiString& Value) const
{
    if (FCurRow < 0 || !FInvoice)
        return false;
    AnsiString Name = AName;
    int Row = FCurRow;
    if (FGroupSize > 1) {
        int N = 1;
        const AnsiString Base = SplitGroupSuffix(Name, N);
        if (Base != Name) {
            Name = Base;
            Row = NextRow(FCurRow, N - 1);
        }
    }
    static const char* const Names[] = {
        "NAME", "FULLNAME", "DESCRIPTION", "TIP", "COUNTRY", "FIRM", "ED", "KOLVO", "WARRANTY",
        "PRICE", "PRICEOPT", "PRICE.R", "PRICEDISCOUNT", "PRICEDISCOUNT.R", "BYCARD", "SUMMA",
        "SUMMADISC", "RUB", "KOP",
    };
    bool Known = false;
    for (const char* N : Names)
        Known = Known || Name == N;
    if (!Known || FInvoice->Count() == 0)
        return false;
    if (Row >= FInvoice->Count()) {
        // A group's tag past the last row prints empty.
        Value = "";
        return true;
    }
    const TshInvoiceTovar& T = *FInvoice->GetItem(Row);
    if (Name == "NAME") {
        Value = T.Name;
    } else if (Name == "FULLNAME") {
        Value = IsBlank(T.Tip) ? T.Name : T.Tip + " " + T.Name;
        if (!IsBlank(T.Description))
            Value += " (" + T.Description + ")";
    } else if (Name == "DESCRIPTION") {
        Value = T.Description;
    } else if (Name == "TIP") {
        Value = T.Tip;
    } else if (Name == "COUNTRY") {
        Value = T.Country;
    } else if (Name == "FIRM") {
        Value = T.Firm;
    } else if (Name == "ED") {
        Value = T.Ed;
    } else if (Name == "KOLVO") {
        Value = DecimalText(T.Kolvo);
    } else if (Name == "WARRANTY") {
        Value = T.Warranty > 0 ? "Гарантия: "_a + IntToStr(T.Warranty) + " мес."_a : AnsiString();
    } else if (Name == "PRICE") {
        Value = Price(T.Price);
    } else if (Name == "PRICEOPT") {
        Value = Price(T.PriceOpt);
    } else if (Name == "PRICE.R") {
        Value = T.PriceDiscount == T.Price ? AnsiString() : Price(T.Price);
    } else if (Name == "PRICEDISCOUNT" || Name == "PRICEDISCOUNT.R") {
        Value = Price(T.PriceDiscount);
    } else if (Name == "BYCARD") {
        Value = T.PriceDiscount == T.Price ? AnsiString() : gCfgObject->ByCard;
    } else if (Name == "SUMMA") {
        Value = Sum(T.Price * T.Kolvo);
    } else if (Name == "SUMMADISC") {
        Value = Sum(T.PriceDiscount * T.Kolvo);
    } else if (Name == "RUB") {
        Value = gCfgObject->Rub;
    } else {
        Value = gCfgObject->Kop;
    }
    return true;
}

bool TFormFRep::ResolveDocument(const AnsiString& Name, AnsiString& Value) const
{
    if (!FInvoice)
        return false;
    TshInvoice& I = *FInvoice;
    if (Name == "NAMEDOC" || Name == "DOC.NAME" || Name == "DOC.NAMEDOC") {
        Value = I.NameDoc;
    } else if (Name == "NUMDOC" || Name == "DOC.NUM") {
        // A statement carries its own number, the one its dialog confirmed
        // last; every other document the supplier's invoice number.
        Value = FIsReport ? gCfgObject->NumberOut : I.NumDoc;
    } else if (Name == "DATEDOC" || Name == "DOC.DATE") {
        Value = xStr(Variant(TDateTime(I.DateDoc)));
    } else if (Name == "DATEDOCMONTH" || Name == "DOC.DATEMONTH") {
        Word Y = 0;
        Word M = 0;
        Word D = 0;
        DecodeDate(I.DateDoc, Y, M, D);
        // Months are written in lower case inside a date ("9 декабря 2026").
        Value = IntToStr(D) + " " + AnsiLowerCase(MonthNameByNum(M, /*Genitive=*/true)) + " " +
                IntToStr(Y);
    } else if (Name == "RESPFIO" || Name == "DOC.RESPFIO") {
        Value = I.RespFio;
    } else if (Name == "DEPART" || Name == "DOC.DEPART") {
        Value = I.Depart;
    } else if (Name == "ITOGO") {
        Value = Sum(I.GetRetailTotal());
    } else if (Name == "ITOGOOPT") {
        Value = Sum(I.GetCostTotal());
    } else {
        return false;
    }
    return true;
}

bool TFormFRep::ResolveGeneral(const AnsiString& Name, AnsiString& Value) const
{
    Word Y = 0;
    Word M = 0;
    Word D = 0;
    DecodeDate(FDocDate, Y, M, D);
    if (Name == "MONTH")
        Value = MonthNameByNum(M, /*Genitive=*/false);
    else if (Name == "YEAR")
        Value = IntToStr(Y);
    else if (Name == "DAY")
        Value = IntToStr(D);
    else if (Name == "DATE")
        Value = DateToStr(FDocDate);
    else if (Name == "CUSTOMER" || Name == "CUSTOMER2")
        Value = gCfgObject->Customer;
    else
        return false;
    return true;
}

void TFormFRep::docPriceTicketGetValue(TObject*, TBandType, const AnsiString& Text,
                                       AnsiString& Value)
{
    const VarExpression E = ParseVarExpression(Text);
    const AnsiString Name = AnsiUpperCase(E.Name);
    AnsiString Answer;
    if (!ResolveRow(Name, Answer) && !ResolveDocument(Name, Answer) &&
        !ResolveGeneral(Name, Answer))
        return;
    Value = Answer;
    if (!IsBlank(Value) && (!E.Before.IsEmpty() || !E.After.IsEmpty()))
        Value = E.Before + Value + E.After;
}
