// Opening the print view and the designer of a document.

#include "common/reports/RP_Document.h"

#include "common/reports/RP_DesignForm.h"
#include "common/reports/RP_PreviewForm.h"

#include "platform/forms/Forms.h"

void TDocument::PrintView(bool Modal)
{
    OpenPrintView("", Modal);
}

bool TDocument::PrintViewFile(const AnsiString& FileName, bool Modal)
{
    return OpenPrintView(FileName, Modal);
}

bool TDocument::OpenPrintView(const AnsiString& FileName, bool Modal)
{
    if (FPreviewForm) {
        FPreviewForm->Show();
        FPreviewForm->BringToFront();
        FPreviewForm->SetFocus();
        return true;
    }
    if (!FileName.IsEmpty())
        New();
    BuildReport();
    const AnsiString Name = NameDocument();
    // The window goes with the document when it is refused or fails to
    // start; once shown, it frees itself on closing.
    std::unique_ptr<TPreviewForm> Form(new TPreviewForm(Application));
    PrintViewOpen = true;
    struct OpenFlag {
        TDocument& Doc;
        bool Kept = false;
        ~OpenFlag()
        {
            if (!Kept) {
                Doc.PrintViewOpen = false;
                Doc.FPreviewForm = nullptr;
            }
        }
    } Flag{*this};
    Form->SetCaption(Name.IsEmpty() ? "Просмотр документа"_a : Name);
    Form->SetDocument(this);
    Form->SetPageCount(PageNo);
    if (!FileName.IsEmpty()) {
        if (!TPreviewForm::IsPrintFile(FileName, /*RaiseErrors=*/false))
            return false;
        Form->LoadPrintFile(FileName);
    }
    Flag.Kept = true;
    TPreviewForm* Shown = Form.release();
    if (Modal) {
        TBorderIcons Icons = Shown->BorderIcons();
        Icons.Exclude(biMinimize);
        Shown->SetBorderIcons(Icons);
        Shown->ShowModal();
    } else {
        Shown->Show();
    }
    return true;
}

void TDocument::CloseOpenPrintView()
{
    TPreviewForm* Form = FPreviewForm;
    if (!Form)
        return;
    Form->SetDocument(nullptr);
    FPreviewForm = nullptr;
    PrintViewOpen = false;
    delete Form;
}

void TDocument::Design(bool Modal)
{
    if (FDesignForm) {
        FDesignForm->Show();
        FDesignForm->BringToFront();
        FDesignForm->SetFocus();
        return;
    }
    TDesignForm* Form = nullptr;
    {
        const TCursor Saved = Screen->Cursor();
        Screen->SetCursor(crHourGlass);
        struct Restore {
            TCursor C;
            ~Restore() { Screen->SetCursor(C); }
        } Back{Saved};
        PrnTick = 0;
        try {
            UpdatePrnInfo(true);
        } catch (const Exception&) {
            // The fallback paper stands; the printing layer has told why.
        }
        Form = new TDesignForm(Application);
        Form->SetDocument(this);
        DesignerOpen = true;
    }
    if (Modal)
        Form->ShowModal();
    else
        Form->Show();
}

void TDocument::CloseOpenDesigner()
{
    TDesignForm* Form = FDesignForm;
    if (!Form)
        return;
    FDesignForm = nullptr;
    Form->Closing = true;
    Form->Document = nullptr;
    DesignerOpen = false;
    delete Form;
}
