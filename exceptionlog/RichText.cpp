#include "exceptionlog/RichText.h"

#include "exceptionlog/ProcessHelpers.h"

#include "platform/forms/ComCtrls.h"
#include "platform/classes/Streams.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/StrUtils.h"

#include <cstdio>
#include <vector>

namespace {

AnsiString Frame(const std::vector<AnsiString>& Lines, const RTFFont& Font)
{
    char Head[512];
    std::snprintf(Head, sizeof Head,
                  "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1040{\\fonttbl{\\f0\\fmodern\\fprq1"
                  "\\fcharset%d %s;}}\r\n{\\colortbl ;\\red0\\green100\\blue100;\\red0\\green0"
                  "\\blue0;\\red40\\green40\\blue40;\\red0\\green0\\blue160;}\r\n",
                  Font.Charset, Font.Face.c_str());
    AnsiString Out = AnsiString(Head) + "\\f0\\fs" + IntToStr(2 * Font.Size) + "\r\n";
    for (size_t I = 0; I < Lines.size(); ++I)
        Out += (I > 0 ? AnsiString("\r\n") : AnsiString()) + Lines[I];
    return Out + "}";
}

// Line L cut at the 1-based columns of Cuts (ascending), the pieces joined
// with the texts of Marks between them: Piece0 Mark0 Piece1 Mark1 ...
AnsiString Mark(const AnsiString& L, std::initializer_list<int> Cuts,
                std::initializer_list<const char*> Marks)
{
    AnsiString Out;
    int From = 1;
    auto M = Marks.begin();
    for (const int Cut : Cuts) {
        Out += L.SubString(From, Cut - From) + *M++;
        From = Cut;
    }
    return Out + L.SubString(From, L.Length());
}

}  // namespace

void EscapeRTF(AnsiString& Text)
{
    Text = StringReplace(Text, "\\", "\\\\", rfReplaceAll);
    Text = StringReplace(Text, "{", "\\{", rfReplaceAll);
    Text = StringReplace(Text, "}", "\\}", rfReplaceAll);
    Text = StringReplace(Text, "\r\n", "\\par\r\n", rfReplaceAll);
}

AnsiString GeneralSectionToRTF(const AnsiString& Text, const RTFFont& Font)
{
    AnsiString T = Text;
    EscapeRTF(T);
    std::vector<AnsiString> Lines = SplitCrLfLines(T);
    for (size_t I = 0; I < Lines.size(); ++I) {
        AnsiString& L = Lines[I];
        if (I == 0) {
            L = "\\cf1\\b " + L + "\\b0";
            continue;
        }
        const int Pair = L.Pos(": ");
        if (L.Pos(":") == L.Length() - 4)
            L = "\\cf3\\b " + L + "\\b0";
        else if (L.Length() > 0 && L[1] == '-')
            L = "\\cf3 " + L;
        else if (Pair > 0)
            L = "\\cf2 " + L.SubString(1, Pair) + "\\cf4 " + L.SubString(Pair + 1, L.Length());
    }
    return Frame(Lines, Font);
}

AnsiString CPUSectionToRTF(const AnsiString& Text, const RTFFont& Font)
{
    AnsiString T = Text;
    EscapeRTF(T);
    std::vector<AnsiString> Lines = SplitCrLfLines(T);
    // The register names tell the address width of the section.
    const int W = Lines.size() > 2 && Lines[2].Length() > 0 && Lines[2][1] == 'R' ? 16 : 8;
    const int StackWidth = 2 * W + 5;  // "Stack:" column, 21 at width 8
    for (size_t I = 0; I < Lines.size(); ++I) {
        AnsiString& L = Lines[I];
        if (I == 0) {
            L = "\\cf3\\b " + L + "\\cf2\\b0";
        } else if (I == 1) {
            L = "\\cf3 " + L + "\\cf2";
        } else if (I >= 2 && I <= 5) {
            if (L.Length() >= 2 * W + 13)
                L = Mark(L, {6, W + 6, W + 14, 2 * W + 14},
                         {"\\cf4 ", "\\cf2 ", "\\cf4 ", "\\cf2 "});
        } else if (I == 7) {
            const AnsiString T1 = Trim(L.SubString(1, StackWidth));
            const AnsiString T2 = Trim(L.SubString(StackWidth + 1, L.Length()));
            L = "\\pard\\tx" + IntToStr(Font.CharWidth * StackWidth * 15) + "\\cf3\\b " + T1 +
                "\\tab " + T2 + "\\cf2\\b0";
        } else if (I == 8) {
            if (L.Length() >= 2 * W + 5)
                L = L.SubString(1, 2 * W + 2) + "\\tab " + L.SubString(2 * W + 6, L.Length());
            L = "\\cf3 " + L + "\\cf2";
        } else if (I >= 9 && L.Length() >= 3 * W + 57) {
            // Address | value | gap | memory address | bytes | characters.
            const AnsiString Gapless =
                L.SubString(1, 2 * W + 2) + L.SubString(2 * W + 6, L.Length());
            L = Mark(Gapless, {W + 3, 2 * W + 3, 2 * W + 3, 3 * W + 5, 3 * W + 53},
                     {"\\cf4 ", "\\cf2 ", "\\tab ", "\\cf4 ", "\\cf2 "});
        }
    }
    return Frame(Lines, Font);
}

namespace {

// Hands the control the next piece of the stream; an exception is an error
// for the control, never an exception through it.
DWORD ReadRichText(uintptr_t Cookie, Byte* Buffer, int Count, int* Read)
{
    try {
        *Read = reinterpret_cast<TMemoryStream*>(Cookie)->Read(Buffer, Count);
        return 0;
    } catch (const Exception&) {
        *Read = 0;
        return 1;
    }
}

}  // namespace

bool LoadRichText(HWND Wnd, const AnsiString& RTF)
{
    TMemoryStream Stream;
    Stream.WriteBuffer(RTF.c_str(), RTF.Length());
    Stream.SetPosition(0);
    EDITSTREAM ES;
    ES.dwCookie = reinterpret_cast<uintptr_t>(&Stream);
    ES.pfnCallback = &ReadRichText;
    return SendMessage(Wnd, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&ES)) > 0;
}

void SetRichBackground(HWND Wnd, int Color)
{
    const COLORREF C = Color < 0 ? GetSysColor(Color & 0xFF) : COLORREF(Color);
    SendMessage(Wnd, EM_SETBKGNDCOLOR, 0, LPARAM(C));
}
