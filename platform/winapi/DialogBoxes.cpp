#include "platform/winapi/DialogBoxes.h"

#include "platform/rtl/Numbers.h"
#include "platform/rtl/StrUtils.h"

#include <algorithm>

#include <map>
#include <vector>

namespace {

struct DialogRecord {
    DLGPROC Proc = nullptr;
    intptr_t Result = 0;
    bool Ended = false;
    bool Modal = false;
    TSize BaseUnits;
    std::vector<std::pair<int, HWND>> Controls;
};

DialogWindowMaker* gMaker = nullptr;

std::map<AnsiString, DialogTemplate>& Templates()
{
    static std::map<AnsiString, DialogTemplate> Map;
    return Map;
}

/// Dialogs that live, by window.
std::map<HWND, DialogRecord>& Dialogs()
{
    static std::map<HWND, DialogRecord> Map;
    return Map;
}

DialogRecord* RecordOf(HWND Dlg)
{
    auto It = Dialogs().find(Dlg);
    return It == Dialogs().end() ? nullptr : &It->second;
}

/// Base units of a font: the average width of the 52 Latin letters
/// (rounded) and the font's height, as the system measures dialog fonts.
TSize BaseUnitsOf(const AnsiString& Face, int PointSize)
{
    HDC DC = GetDC(nullptr);
    LOGFONT LF;
    LF.lfHeight = -MulDiv(PointSize, GetDeviceCaps(DC, LOGPIXELSY), 72);
    LF.lfFaceName = Face;
    HFONT Font = CreateFontIndirect(LF);
    HGDIOBJ Old = SelectObject(DC, Font);
    TEXTMETRIC TM;
    GetTextMetrics(DC, TM);
    TSize Letters;
    const char* Alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    GetTextExtentPoint32(DC, Alphabet, 52, Letters);
    SelectObject(DC, Old);
    DeleteObject(Font);
    ReleaseDC(nullptr, DC);
    return TSize{(Letters.cx / 26 + 1) / 2, TM.tmHeight};
}

TRect MapUnits(const TSize& Base, int X, int Y, int CX, int CY)
{
    const int L = MulDiv(X, Base.cx, 4);
    const int T = MulDiv(Y, Base.cy, 8);
    return Rect(L, T, L + MulDiv(CX, Base.cx, 4), T + MulDiv(CY, Base.cy, 8));
}

HWND MakeDialog(const AnsiString& TemplateName, HWND Owner, DLGPROC Proc, LPARAM Param, bool Modal)
{
    const DialogTemplate* T = FindDialogTemplate(TemplateName);
    if (!T || !gMaker)
        return nullptr;
    const TSize Base = BaseUnitsOf(T->FaceName, T->PointSize);
    TRect Bounds = MapUnits(Base, T->X, T->Y, T->CX, T->CY);
    if (T->Style & DS_CENTER)
        OffsetRect(Bounds, (GetSystemMetrics(SM_CXSCREEN) - Bounds.Width()) / 2 - Bounds.Left,
            (GetSystemMetrics(SM_CYSCREEN) - Bounds.Height()) / 2 - Bounds.Top);
    std::vector<TRect> ItemRects;
    for (const DialogItemTemplate& I : T->Items)
        ItemRects.push_back(MapUnits(Base, I.X, I.Y, I.CX, I.CY));
    std::vector<HWND> Controls;
    HWND Dlg = gMaker->MakeDialog(*T, Bounds, ItemRects, Owner, Controls);
    if (!Dlg)
        return nullptr;
    DialogRecord& R = Dialogs()[Dlg];
    R = DialogRecord();
    R.Proc = Proc;
    R.Modal = Modal;
    R.BaseUnits = Base;
    for (size_t I = 0; I < T->Items.size() && I < Controls.size(); ++I)
        R.Controls.emplace_back(T->Items[I].Id, Controls[I]);
    HWND First = Controls.empty() ? nullptr : Controls.front();
    LRESULT Ignored = 0;
    if (DialogMessage(Dlg, WM_INITDIALOG, reinterpret_cast<WPARAM>(First), Param, Ignored) && First)
        SetFocus(First);
    return Dlg;
}

void FreeDialog(HWND Dlg)
{
    if (!RecordOf(Dlg))
        return;
    LRESULT Ignored = 0;
    DialogMessage(Dlg, WM_DESTROY, 0, 0, Ignored);
    Dialogs().erase(Dlg);
    if (gMaker)
        gMaker->FreeDialog(Dlg);
}

}  // namespace

void RegisterDialogTemplate(const AnsiString& Name, const DialogTemplate& Template)
{
    Templates()[AnsiUpperCase(Name)] = Template;
}

const DialogTemplate* FindDialogTemplate(const AnsiString& Name)
{
    auto It = Templates().find(AnsiUpperCase(Name));
    return It == Templates().end() ? nullptr : &It->second;
}

DialogWindowMaker* SetDialogWindowMaker(DialogWindowMaker* Maker)
{
    DialogWindowMaker* Old = gMaker;
    gMaker = Maker;
    return Old;
}

intptr_t DialogBoxParam(intptr_t, const AnsiString& TemplateName, HWND Owner, DLGPROC Proc,
    LPARAM Param)
{
    HWND Dlg = MakeDialog(TemplateName, Owner, Proc, Param, /*Modal=*/true);
    if (!Dlg)
        return -1;
    DialogRecord* R = RecordOf(Dlg);
    // WM_INITDIALOG may already have ended it.
    if (R && !R->Ended)
        gMaker->RunModal(Dlg);
    R = RecordOf(Dlg);
    const intptr_t Result = R ? R->Result : 0;
    FreeDialog(Dlg);
    return Result;
}

HWND CreateDialogParam(intptr_t, const AnsiString& TemplateName, HWND Owner, DLGPROC Proc,
    LPARAM Param)
{
    HWND Dlg = MakeDialog(TemplateName, Owner, Proc, Param, /*Modal=*/false);
    const DialogTemplate* T = FindDialogTemplate(TemplateName);
    if (Dlg && T && (T->Style & WS_VISIBLE))
        gMaker->ShowModeless(Dlg);
    return Dlg;
}

BOOL DestroyDialog(HWND Dlg)
{
    if (!RecordOf(Dlg))
        return false;
    FreeDialog(Dlg);
    return true;
}

BOOL EndDialog(HWND Dlg, intptr_t Result)
{
    DialogRecord* R = RecordOf(Dlg);
    if (!R)
        return false;
    R->Result = Result;
    R->Ended = true;
    if (gMaker)
        gMaker->EndModal(Dlg);
    return true;
}

HWND GetDlgItem(HWND Dlg, int Id)
{
    const DialogRecord* R = RecordOf(Dlg);
    if (!R)
        return nullptr;
    for (const auto& [CId, Wnd] : R->Controls)
        if (CId == Id && IsWindow(Wnd))
            return Wnd;
    return nullptr;
}

int GetDlgCtrlID(HWND Control)
{
    HWND Dlg = nullptr;
    int Id = 0;
    return DialogOfControl(Control, Dlg, Id) ? Id : 0;
}

bool DialogOfControl(HWND Control, HWND& Dlg, int& Id)
{
    if (!Control)
        return false;
    for (const auto& [D, R] : Dialogs())
        for (const auto& [CId, Wnd] : R.Controls)
            if (Wnd == Control) {
                Dlg = D;
                Id = CId;
                return true;
            }
    return false;
}

LRESULT SendDlgItemMessage(HWND Dlg, int Id, UINT Msg, WPARAM WParam, LPARAM LParam)
{
    HWND Wnd = GetDlgItem(Dlg, Id);
    return Wnd ? SendMessage(Wnd, Msg, WParam, LParam) : 0;
}

BOOL SetDlgItemText(HWND Dlg, int Id, const AnsiString& Text)
{
    HWND Wnd = GetDlgItem(Dlg, Id);
    if (!Wnd)
        return false;
    return SendMessage(Wnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Text.c_str())) != 0;
}

AnsiString GetDlgItemText(HWND Dlg, int Id)
{
    HWND Wnd = GetDlgItem(Dlg, Id);
    if (!Wnd)
        return AnsiString();
    const int Length = static_cast<int>(SendMessage(Wnd, WM_GETTEXTLENGTH, 0, 0));
    if (Length <= 0)
        return AnsiString();
    std::vector<char> Buffer(static_cast<size_t>(Length) + 1);
    const int N = static_cast<int>(
        SendMessage(Wnd, WM_GETTEXT, Buffer.size(), reinterpret_cast<LPARAM>(Buffer.data())));
    return AnsiString(Buffer.data(), std::max(0, std::min(N, Length)));
}

BOOL SetWindowText(HWND Wnd, const AnsiString& Text)
{
    return IsWindow(Wnd) && SendMessage(Wnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Text.c_str())) != 0;
}

BOOL EnableWindow(HWND Wnd, BOOL Enable)
{
    if (!IsWindow(Wnd))
        return false;
    const bool Was = !IsWindowEnabled(Wnd);
    if (gMaker)
        gMaker->EnableControl(Wnd, Enable != 0);
    return Was;
}

BOOL CheckDlgButton(HWND Dlg, int Id, UINT Check)
{
    HWND Wnd = GetDlgItem(Dlg, Id);
    if (!Wnd)
        return false;
    SendMessage(Wnd, BM_SETCHECK, Check, 0);
    return true;
}

UINT IsDlgButtonChecked(HWND Dlg, int Id)
{
    return static_cast<UINT>(SendDlgItemMessage(Dlg, Id, BM_GETCHECK, 0, 0));
}

BOOL SetDialogOwnFrame(HWND Dlg, BOOL Own)
{
    if (!RecordOf(Dlg) || !gMaker)
        return false;
    gMaker->SetOwnFrame(Dlg, Own != 0);
    return true;
}

BOOL MapDialogRect(HWND Dlg, TRect& R)
{
    const DialogRecord* D = RecordOf(Dlg);
    if (!D)
        return false;
    R = Rect(MulDiv(R.Left, D->BaseUnits.cx, 4), MulDiv(R.Top, D->BaseUnits.cy, 8),
        MulDiv(R.Right, D->BaseUnits.cx, 4), MulDiv(R.Bottom, D->BaseUnits.cy, 8));
    return true;
}

long GetDialogBaseUnits()
{
    const TSize B = BaseUnitsOf("MS Sans Serif", 8);
    return static_cast<long>(MakeLParam(B.cx, B.cy));
}

bool DialogMessage(HWND Dlg, UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result)
{
    const DialogRecord* R = RecordOf(Dlg);
    if (!R || !R->Proc)
        return false;
    const DLGPROC Proc = R->Proc;
    Result = Proc(Dlg, Msg, WParam, LParam);
    if (Result != 0)
        return true;
    if (Msg == WM_CLOSE) {
        // An unhandled close is the Cancel button.
        Proc(Dlg, WM_COMMAND, MakeWParam(IDCANCEL, BN_CLICKED), 0);
        return true;
    }
    return false;
}
