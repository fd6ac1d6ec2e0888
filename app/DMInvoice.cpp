#include "app/DMInvoice.h"

#include "platform/forms/Graphics.h"

#include <functional>

TDM* DM = nullptr;

PRICETAGS_DEFINE_CLASS(TDM)

namespace {

/// One 16x16 picture on a fuchsia background (the transparent colour).
void AddPicture(TImageList& List, const std::function<void(TCanvas&)>& Draw)
{
    TBitmap Bmp;
    Bmp.SetSize(16, 16);
    TCanvas& C = *Bmp.Canvas();
    C.Brush()->SetColor(clFuchsia);
    C.FillRect(TRect{0, 0, 16, 16});
    C.Pen()->SetWidth(2);
    Draw(C);
    List.AddMasked(&Bmp, clFuchsia);
}

void DrawInsert(TCanvas& C)
{
    C.Pen()->SetColor(clGreen);
    C.MoveTo(8, 2);
    C.LineTo(8, 14);
    C.MoveTo(2, 8);
    C.LineTo(14, 8);
}

void DrawDelete(TCanvas& C)
{
    C.Pen()->SetColor(clRed);
    C.MoveTo(3, 3);
    C.LineTo(13, 13);
    C.MoveTo(13, 3);
    C.LineTo(3, 13);
}

void DrawEdit(TCanvas& C)
{
    C.Pen()->SetColor(clNavy);
    C.MoveTo(3, 13);
    C.LineTo(13, 3);
    C.Pen()->SetWidth(1);
    C.MoveTo(2, 14);
    C.LineTo(6, 14);
}

void DrawOk(TCanvas& C)
{
    C.Pen()->SetColor(clGreen);
    C.MoveTo(2, 8);
    C.LineTo(6, 12);
    C.LineTo(14, 4);
}

void DrawCancel(TCanvas& C)
{
    C.Pen()->SetColor(clMaroon);
    C.Brush()->SetStyle(bsClear);
    C.Ellipse(2, 2, 14, 14);
    C.MoveTo(4, 12);
    C.LineTo(12, 4);
}

void DrawMove(TCanvas& C)
{
    C.Pen()->SetColor(clNavy);
    C.MoveTo(8, 2);
    C.LineTo(8, 14);
    C.MoveTo(4, 6);
    C.LineTo(8, 2);
    C.LineTo(12, 6);
    C.MoveTo(4, 10);
    C.LineTo(8, 14);
    C.LineTo(12, 10);
}

} // namespace

TDM::TDM(TComponent* AOwner) : TComponent(AOwner)
{
    SetName("DM");
    iInsDel = new TImageList(this, 16, 16);
    iInsDel->SetName("iInsDel");
    AddPicture(*iInsDel, DrawInsert);
    AddPicture(*iInsDel, DrawDelete);
    AddPicture(*iInsDel, DrawEdit);
    AddPicture(*iInsDel, DrawOk);
    AddPicture(*iInsDel, DrawCancel);
    AddPicture(*iInsDel, DrawMove);
    if (!DM)
        DM = this;
}

TDM::~TDM()
{
    if (DM == this)
        DM = nullptr;
}
