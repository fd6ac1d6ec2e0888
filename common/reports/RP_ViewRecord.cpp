// The element's template records: the tagged binary record and the ini
// section.

#include "common/reports/RP_View.h"

#include "common/base/IniFiles.h"
#include "platform/classes/Streams.h"
#include "platform/classes/Strings.h"
#include "platform/rtl/Numbers.h"

namespace {

using namespace RP_Eng;

// The smallest string value: its prefix and a zero length.
constexpr Int64 MinStringBytes = 2;

}  // namespace

void TView::SaveToStream(TStream& Stream, bool Undo)
{
    WriteStringTag(Stream, 0, "TV");
    WriteIntegerTag(Stream, 1, Kind);
    WriteIntegerTag(Stream, 2, GetLeft());
    WriteIntegerTag(Stream, 3, GetTop());
    WriteIntegerTag(Stream, 4, GetWidth());
    WriteIntegerTag(Stream, 5, GetHeight());
    WriteBooleanTag(Stream, 6, SC);
    WriteIntegerTag(Stream, 7, FrameTyp);
    WriteIntegerTag(Stream, 8, FrameWidth);
    // Arial is what a reader assumes, so it is not written.
    if (FontName != "Arial")
        WriteStringTag(Stream, 10, FontName);
    WriteIntegerTag(Stream, 11, FontSize);
    WriteIntegerTag(Stream, 12, FontStyle);
    WriteIntegerTag(Stream, 13, static_cast<Integer>(Alignment));
    WriteIntegerTag(Stream, 14, Lines->Count());
    for (int I = 0; I < Lines->Count(); ++I)
        WriteString(Stream, Lines->Strings(I));
    WriteIntegerTag(Stream, 15, Tag);
    WriteBooleanTag(Stream, 16, Show3d);
    WriteIntegerTag(Stream, 17, Type3d);
    WriteIntegerTag(Stream, 18, ShadowLen);
    WriteIntegerTag(Stream, 19, ShadowColor);
    WriteIntegerTag(Stream, 20, FontColor);
    WriteIntegerTag(Stream, 21, FillColor);
    WriteBooleanTag(Stream, 22, DrawTextToFrame);
    WriteIntegerTag(Stream, 23, BandTyp);
    if (Undo)
        WriteBooleanTag(Stream, 24, Selected);
    WriteStringTag(Stream, 255, "ENDTV");
}

void TView::LoadFromStream(TStream& Stream, bool Undo)
{
    for (;;) {
        const Byte Tag = ReadByte(Stream);
        switch (Tag) {
        case 0: CheckReportLoad(ReadString(Stream) == "TV"); break;
        case 1: SetKindFromRecord(static_cast<Byte>(ReadInteger(Stream))); break;
        case 2: SetLeft(ReadInteger(Stream)); break;
        case 3: SetTop(ReadInteger(Stream)); break;
        case 4: SetWidth(ReadInteger(Stream)); break;
        case 5: SetHeight(ReadInteger(Stream)); break;
        case 6: SC = ReadBoolean(Stream); break;
        case 7: {
            // The frame word's low byte is the band type of older templates;
            // a later tag 23 replaces it.
            const Integer V = ReadInteger(Stream);
            FrameTyp = static_cast<Word>(V);
            BandTyp = static_cast<Byte>(V);
            break;
        }
        case 8: FrameWidth = ReadInteger(Stream); break;
        case 9: ApplyColorPair(ReadInteger(Stream)); break;
        case 10: FontName = ReadString(Stream).SubString(1, 80); break;
        case 11: FontSize = ReadInteger(Stream); break;
        case 12: FontStyle = static_cast<Word>(ReadInteger(Stream)); break;
        case 13: Alignment = static_cast<Cardinal>(ReadInteger(Stream)); break;
        case 14: {
            const Integer Count = ReadInteger(Stream);
            // Each line takes two bytes at least: a larger count is damage,
            // refused before the lines are read.
            CheckReportLoad(Count >= 0 && Count <= BytesLeft(Stream) / MinStringBytes);
            Lines->Clear();
            for (Integer I = 0; I < Count; ++I)
                Lines->Add(ReadString(Stream));
            break;
        }
        case 15: this->Tag = ReadInteger(Stream); break;
        case 16: Show3d = ReadBoolean(Stream); break;
        case 17: Type3d = static_cast<Byte>(ReadInteger(Stream)); break;
        case 18: ShadowLen = ReadInteger(Stream); break;
        case 19: ShadowColor = ReadInteger(Stream); break;
        case 20: FontColor = ReadInteger(Stream); break;
        case 21: FillColor = ReadInteger(Stream); break;
        case 22: DrawTextToFrame = ReadBoolean(Stream); break;
        case 23: BandTyp = static_cast<Byte>(ReadInteger(Stream)); break;
        case 24: {
            // Selection belongs to undo snapshots; files may carry it too.
            const bool Value = ReadBoolean(Stream);
            if (Undo)
                SetSelected(Value);
            break;
        }
        case 255: CheckReportLoad(ReadString(Stream) == "ENDTV"); return;
        default: RaiseUnknownDataPrefix(Tag);
        }
    }
}

void TView::SaveToIni(TIniFile& Ini, const AnsiString& Section)
{
    Ini.EraseSection(Section);
    Ini.WriteInteger(Section, "T", Kind);
    Ini.WriteInteger(Section, "X", GetLeft());
    Ini.WriteInteger(Section, "Y", GetTop());
    Ini.WriteInteger(Section, "H", GetHeight());
    Ini.WriteInteger(Section, "W", GetWidth());
    Ini.WriteBool(Section, "SC", SC);
    Ini.WriteInteger(Section, "FT", FrameTyp);
    Ini.WriteInteger(Section, "FW", FrameWidth);
    Ini.WriteQuotedString(Section, "FN", FontName);
    Ini.WriteInteger(Section, "FS", FontSize);
    Ini.WriteInteger(Section, "FY", FontStyle);
    Ini.WriteInteger(Section, "A", static_cast<Integer>(Alignment));
    SaveLinesToIni(Ini, Section, "M");
    Ini.WriteInteger(Section, "Tag", Tag);
    Ini.WriteBool(Section, "Show3d", Show3d);
    Ini.WriteInteger(Section, "Type3d", Type3d);
    Ini.WriteInteger(Section, "ShadowLen", ShadowLen);
    Ini.WriteInteger(Section, "ShadowColor", ShadowColor);
    Ini.WriteInteger(Section, "FontColor", FontColor);
    Ini.WriteInteger(Section, "FillColor", FillColor);
    Ini.WriteBool(Section, "DrawTextToFrame", DrawTextToFrame);
    Ini.WriteInteger(Section, "BandTyp", BandTyp);
}

void TView::LoadFromIni(TIniFile& Ini, const AnsiString& Section)
{
    const Integer T = Ini.ReadInteger(Section, "T", 0);
    if (T != Kind)
        throw Exception("Тип не соответствует"_a);
    SetKindFromRecord(static_cast<Byte>(T));
    SetLeft(Ini.ReadInteger(Section, "X", 0));
    SetTop(Ini.ReadInteger(Section, "Y", 0));
    SetHeight(Ini.ReadInteger(Section, "H", 80));
    SetWidth(Ini.ReadInteger(Section, "W", 80));
    SC = Ini.ReadBool(Section, "SC", false);
    const Integer FT = Ini.ReadInteger(Section, "FT", 0);
    FrameTyp = static_cast<Word>(FT);
    BandTyp = static_cast<Byte>(FT);
    FrameWidth = Ini.ReadInteger(Section, "FW", 1);
    // The legacy colour pair as an unsigned 16-bit number; 0 means absent.
    const auto FP = static_cast<Word>(Ini.ReadInteger(Section, "FP", 0));
    if (FP != 0)
        ApplyColorPair(FP);
    FontName = Ini.ReadQuotedString(Section, "FN", "Arial").SubString(1, 80);
    FontSize = Ini.ReadInteger(Section, "FS", 10);
    FontStyle = static_cast<Word>(Ini.ReadInteger(Section, "FY", 0));
    Alignment = static_cast<Cardinal>(Ini.ReadInteger(Section, "A", 0));
    LoadLinesFromIni(Ini, Section, "M");
    Tag = Ini.ReadInteger(Section, "Tag", 0);
    Show3d = Ini.ReadBool(Section, "Show3d", false);
    Type3d = static_cast<Byte>(Ini.ReadInteger(Section, "Type3d", 0));
    ShadowLen = Ini.ReadInteger(Section, "ShadowLen", ShadowLen);
    ShadowColor = Ini.ReadInteger(Section, "ShadowColor", ShadowColor);
    FontColor = Ini.ReadInteger(Section, "FontColor", FontColor);
    FillColor = Ini.ReadInteger(Section, "FillColor", FillColor);
    DrawTextToFrame = Ini.ReadBool(Section, "DrawTextToFrame", false);
    BandTyp = static_cast<Byte>(Ini.ReadInteger(Section, "BandTyp", BandTyp));
}

void TView::SaveLinesToIni(TIniFile& Ini, const AnsiString& Section, const AnsiString& Prefix)
{
    Ini.WriteInteger(Section, Prefix + "Count", Lines->Count());
    for (int I = 0; I < Lines->Count(); ++I)
        Ini.WriteQuotedString(Section, Prefix + IntToStr(I), Lines->Strings(I));
}

void TView::LoadLinesFromIni(TIniFile& Ini, const AnsiString& Section, const AnsiString& Prefix)
{
    const Integer Count = Ini.ReadInteger(Section, Prefix + "Count", 0);
    // Every line has its own key in the section, so a count above the
    // section's keys is damage; refuse it before adding empty lines.
    TStringList Keys;
    Ini.ReadSection(Section, &Keys);
    CheckReportLoad(Count <= Keys.Count());
    Lines->Clear();
    for (Integer I = 0; I < Count; ++I)
        Lines->Add(Ini.ReadQuotedString(Section, Prefix + IntToStr(I), ""));
}
