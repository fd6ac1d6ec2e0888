#pragma once

// The document builder: a window that is never shown and builds every
// printed document of the program. It owns the two report documents (price
// tags and the invoice statement), picks a template from the "TXT" folder,
// hands it to the report engine through memory, and answers the engine's
// variables and data rows from the current invoice, with prices in the
// display style the template's name chooses ("Ticket..." price tags,
// "Report..." statements, anything else the third style). Only one print
// and one designer run at a time.
//
// Variables: the bracket text of a template element is a name with
// optional literals before and after ('Цена: 'PRICE' руб.'); the name is
// answered by the row resolver (the current row, or the N-th row of a
// group with a ".N" suffix), the document resolver (invoice header; in a
// statement NUMDOC is the statement's own number) and the general resolver
// (date and customer), the first that knows it winning. An element whose
// Tag is N belongs to the N-th tag of a group and is left out when that tag
// has no row.

#include "app/InvoiceType.h"
#include "common/reports/RP_Document.h"

#include "platform/forms/Dialogs.h"
#include "platform/forms/Forms.h"
#include "platform/rtl/AnsiString.h"

#include <memory>

class TStringList;
class TMemoryStream;
class Tyl_StrHolder;

/// The parts of a variable expression: a literal before, the name and a
/// literal after. An expression without quotes or "<" is all name; an
/// unclosed quote or a "<" that does not start "<CR>" makes the whole text
/// the name with empty literals.
struct VarExpression {
    AnsiString Before;
    AnsiString Name;
    AnsiString After;
};
[[nodiscard]] VarExpression ParseVarExpression(const AnsiString& Text);

/// Rows per group from a document name: the number between the first "("
/// and the next ")" ("Ценники (3)" gives 3); 1 without parentheses, when the
/// number does not convert, and for 0 or less (a group of no rows would
/// never end the build).
[[nodiscard]] int GroupSizeOf(const AnsiString& NameDocument);

class TFormFRep : public TForm {
    PRICETAGS_CLASS(TFormFRep, TForm)
public:
    explicit TFormFRep(TComponent* AOwner);
    ~TFormFRep() override;

    /// Prints Invoice with the template FileName: Kind 0 price tags, 1 the
    /// statement. Raises EAbort (after the error window) while another
    /// document is being built or for a kind of 3 or more.
    void BuildDocument(int Kind, TshInvoice* Invoice, const AnsiString& FileName);
    /// Opens the designer on a template (an empty template when it does
    /// not exist yet).
    void DesignDocument(const AnsiString& FileName);
    /// Previews a generated-report file.
    void OpenPrintFile(const AnsiString& FileName);
    /// Copies a template into the "TXT" folder, without "-NC" in its name.
    /// An existing template of that name is replaced only when the operator
    /// agrees; false when nothing was copied.
    bool ImportTemplate(const AnsiString& FileName);
    /// NameDocument of a template (its Title when the name is empty); ''
    /// when the file cannot be read.
    [[nodiscard]] static AnsiString GetTemplateDocName(const AnsiString& FileName);

    /// The Nth printable row after From (every row when none is marked,
    /// else the marked ones); the row count when they run out. From < 0
    /// starts before the first row with a step of 1; Step < 1 gives From.
    [[nodiscard]] int NextRow(int From, int Step) const;
    /// Answers one variable as the engine asks it (Value keeps the engine's
    /// preset for an unknown name).
    void docPriceTicketGetValue(TObject* Sender, TBandType b, const AnsiString& Name,
                                AnsiString& Value);
    void docPriceTicketBeginDoc(TObject* Sender);
    void docPriceTicketBeginPage(TObject* Sender, int pg, TStringList* MasterMemo,
                                 TStringList* DetailMemo, TStringList* SubDetailMemo);
    void docPriceTicketNeedData(TObject* Sender, TBandType b, bool& NeedMore);
    /// Leaves out the elements of a group's tag that has no row: an element
    /// of a data band whose Tag is N (1 and up) belongs to the group's N-th
    /// tag. Elements with Tag 0 always print.
    void docPriceTicketEnterRect(TObject* Sender, TBandType b, TStringList* Memo, TView* View);

    bool Busy() const { return FBusy; }
    TDocument* DocPrint() const { return FDocPrint.get(); }
    TDocument* DocDesign() const { return FDocDesign.get(); }
    int GroupSize() const { return FGroupSize; }
    int CurRow() const { return FCurRow; }
    /// The date of the general variables (the builder's creation).
    TDateTime DocDate() const { return FDocDate; }
    void SetDocDate(TDateTime Value) { FDocDate = Value; }

    TDocument* docPriceTicket;
    TDocument* Document1;
    TSaveDialog* SaveDialog;
    Tyl_StrHolder* stCommon;
    Tyl_StrHolder* stReport;
    Tyl_StrHolder* stLST;
    Tyl_StrHolder* stStaff2;

protected:
    /// Shows DocPrint's preview without waiting (the print view). The
    /// preview's end must come back through DocPrintEndPrintView.
    virtual void StartPrintView(TDocument* Doc);
    /// Previews a generated-report file in DocPrint.
    virtual void StartPrintViewFile(TDocument* Doc, const AnsiString& FileName);
    /// Runs the designer on DocDesign modally.
    virtual void StartDesign(TDocument* Doc);
    /// The operator's choice of a file name for a first save; false when
    /// cancelled.
    virtual bool AskSaveFileName(AnsiString& FileName);
    void WndProc(TMessage& Message) override;

    void DocPrintBegPrintView(TObject* Sender);
    void DocPrintEndPrintView(TObject* Sender);
    void DocDesignEndDesign(TObject* Sender);

private:
    void OpenDocPrint();
    void OpenDocDesign(const AnsiString& FileName);
    void DetectDocKind(TDocument* Doc);
    void EndDoc(TObject* Sender);
    void docLoadBegin(TObject* Sender, const AnsiString& FileName, TStream*& Stream);
    void docLoadEnd(TObject* Sender);
    void docSaveBegin(TObject* Sender, const AnsiString& FileName, TStream*& Stream);
    void docSaveEnd(TObject* Sender);
    void FreeDocPrint();
    void FreeDocDesign(TDocument* Doc);

    bool ResolveRow(const AnsiString& Name, AnsiString& Value) const;
    bool ResolveDocument(const AnsiString& Name, AnsiString& Value) const;
    bool ResolveGeneral(const AnsiString& Name, AnsiString& Value) const;
    AnsiString Price(Currency Value) const;
    /// A money sum: as Price, but a statement shows its kopecks even in the
    /// styles that drop whole ones ("45 498,00", not "45 498").
    AnsiString Sum(Currency Value) const;
    bool Printable(int Row) const;

    bool FPrintViewOpen = false;
    bool FBusy = false;
    AnsiString FFileName;
    int FKind = 0;
    /// The invoice of the current build (owned by the main window).
    TshInvoice* FInvoice = nullptr;
    bool FFirstSave = true;
    std::unique_ptr<TDocument> FDocPrint;
    std::unique_ptr<TDocument> FDocDesign;
    int FGroupSize = 1;
    int FCurRow = -1;
    bool FAllRows = true;
    bool FIsTicket = false;
    bool FIsReport = false;
    std::unique_ptr<TStringList> FErrors;
    TDateTime FDocDate;
    std::unique_ptr<TMemoryStream> FLoadStream;
    AnsiString FStreamFile;
};

/// The builder of the running program, made at start-up; null before.
extern TFormFRep* FormFRep;
