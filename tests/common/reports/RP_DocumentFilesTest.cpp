#include "common/reports/RP_Document.h"

#include "common/reports/RP_Page.h"
#include "common/reports/RP_View.h"

#include "common/base/IniFiles.h"
#include "platform/classes/Streams.h"
#include "platform/classes/Strings.h"
#include "platform/forms/Graphics.h"
#include "platform/winapi/Windows.h"

#include "tests/common/reports/TemplateBytes.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>

using namespace tpl;
namespace fs = std::filesystem;

namespace {

fs::path Data(const std::string& Name)
{
    return TestData() / "RP_Document" / Name;
}

AnsiString Ansi(const fs::path& P)
{
    return AnsiString::FromUtf8(P.string());
}

std::string SnapshotOf(TDocument& Doc)
{
    TMemoryStream Out;
    Doc.SaveToStream(Out, /*Undo=*/true);
    return std::string(static_cast<const char*>(Out.Memory()), size_t(Out.Size()));
}

/// Every value of golden/full.* (see make_templates.py).
void ExpectFullTemplate(TDocument& Doc)
{
    EXPECT_EQ(Doc.Category(), 3);
    EXPECT_EQ(Doc.StoredNameDocument(), "Ценники"_a);
    EXPECT_EQ(Doc.Version(), 7);
    EXPECT_TRUE(Doc.DoubleOnSheet);
    EXPECT_EQ(Doc.MarginLeft, 1000);
    EXPECT_EQ(Doc.MarginTop, 500);
    EXPECT_EQ(Doc.MarginRight, 1000);
    EXPECT_EQ(Doc.MarginBottom, 500);
    EXPECT_EQ(Doc.PrinterType, -1);
    EXPECT_EQ(Doc.PrinterName, "HP LaserJet");
    EXPECT_TRUE(Doc.PrinterPageDefaultSize);
    EXPECT_EQ(Doc.PrinterPageWidth, 21000);
    EXPECT_EQ(Doc.PrinterPageHeight, 29700);
    EXPECT_EQ(Doc.PrinterPageOffsetX, 500);
    EXPECT_EQ(Doc.PrinterPageOffsetY, 400);
    EXPECT_FALSE(Doc.PrintStretchDraw);
    EXPECT_TRUE(Doc.ViewCopyToClipboardEnable);
    EXPECT_EQ(Doc.DefDesigner->LabelText, "Text");
    EXPECT_EQ(Doc.DefDesigner->BSubDetailCount, 2);
    EXPECT_TRUE(Doc.DefDesigner->CheckDimensions);
    EXPECT_TRUE(Doc.Saved);
    EXPECT_EQ(Doc.PageIndex(), 0);
    ASSERT_EQ(Doc.PageCount(), 2);

    TPage* P0 = Doc.GetPage(0);
    EXPECT_EQ(P0->Orientation, 0);
    EXPECT_TRUE(P0->PageHeaderOnFirst);
    EXPECT_FALSE(P0->PrintToPrevPage);
    ASSERT_EQ(P0->ViewCount(), 4);
    TView* Band = P0->GetView(0);
    EXPECT_EQ(Band->Kind, vkBandArea);
    EXPECT_EQ(Band->BandTyp, btMasterData);
    EXPECT_EQ(Band->GetBoundsRect(), Rect(-1, 100, 795, 140));
    EXPECT_EQ(Band->Lines->Text(), "Мастер\r\n"_a);
    TView* Text = P0->GetView(1);
    EXPECT_EQ(Text->GetBoundsRect(), Rect(10, 110, 210, 130));
    EXPECT_TRUE(Text->SC);
    EXPECT_EQ(Text->FrameTyp, 15);
    EXPECT_EQ(Text->FrameWidth, 2);
    EXPECT_EQ(Text->FontName, "Times New Roman");
    EXPECT_EQ(Text->FontSize, 12);
    EXPECT_EQ(Text->FontStyle, 3);
    EXPECT_EQ(Text->Alignment, 0x282u);
    ASSERT_EQ(Text->Lines->Count(), 3);
    EXPECT_EQ(Text->Lines->Strings(0), "Цена: [PRICE]"_a);
    EXPECT_EQ(Text->Lines->Strings(1), AnsiString(std::string(300, 'x')));
    EXPECT_EQ(Text->Tag, 42);
    EXPECT_TRUE(Text->Show3d);
    EXPECT_EQ(Text->Type3d, 3);
    EXPECT_EQ(Text->ShadowLen, 2);
    EXPECT_EQ(Text->ShadowColor, 0xC0C0C0);
    EXPECT_EQ(Text->FontColor, 0x0000FF);
    EXPECT_EQ(Text->FillColor, 0xFFFF00);
    EXPECT_TRUE(Text->DrawTextToFrame);
    EXPECT_EQ(Text->BandTyp, 5);
    TView* Picture = P0->GetView(2);
    EXPECT_EQ(Picture->Kind, vkPicture);
    EXPECT_EQ(Picture->Alignment, 0x200u);
    ASSERT_TRUE(Picture->Picture);
    EXPECT_TRUE(Picture->Picture->Empty()) << "a missing picture file leaves it empty";
    EXPECT_EQ(P0->GetView(3)->Kind, vkOwnerDraw);
    EXPECT_EQ(P0->GetView(3)->Tag, 7);

    TPage* P1 = Doc.GetPage(1);
    EXPECT_EQ(P1->Orientation, 1);
    EXPECT_FALSE(P1->PageHeaderOnFirst);
    EXPECT_TRUE(P1->PrintToPrevPage);
    ASSERT_EQ(P1->ViewCount(), 1);
    EXPECT_EQ(P1->GetView(0)->GetHeight(), 37);
    EXPECT_EQ(P1->GetView(0)->BandTyp, btNone);
    EXPECT_EQ(P1->GetView(0)->VertAlign(), 0x88);
}

/// A host that hands the document a stream of its own.
struct Host {
    std::unique_ptr<TMemoryStream> Stream;
    AnsiString FileName;
    int Ends = 0;

    void Begin(TObject*, const AnsiString& Name, TStream*& sm)
    {
        FileName = Name;
        sm = Stream.get();
    }
    void End(TObject*) { ++Ends; }
};

std::unique_ptr<TMemoryStream> StreamOf(const std::string& Bytes)
{
    auto S = std::make_unique<TMemoryStream>();
    S->WriteBuffer(Bytes.data(), int(Bytes.size()));
    S->SetPosition(0);
    return S;
}

}  // namespace

TEST(RP_DocumentFiles, ReadsEveryTagOfBothForms)
{
    for (const char* Name : {"golden/full.dcr", "golden/old-form.dcr", "golden/full.dcf"}) {
        SCOPED_TRACE(Name);
        TDocument Doc(nullptr);
        if (AnsiString(Name).Pos(".dcf") > 0)
            Doc.LoadFromIniFile(Ansi(Data(Name)));
        else
            Doc.LoadFromBinaryFile(Ansi(Data(Name)));
        ExpectFullTemplate(Doc);
        EXPECT_EQ(Doc.NameSaveFile(), Ansi(Data(Name)));
    }
}

TEST(RP_DocumentFiles, RoundTripsByteForByte)
{
    const TempDir Dir;
    struct Case {
        const char* From;
        const char* Golden;
        bool Ini;
        const char* Why;
    } const Cases[] = {
        {"golden/full.dcr", "golden/full.dcr", false, "binary"},
        {"golden/full.dcf", "golden/full.dcf", true, "ini"},
        {"golden/full.dcf", "golden/full.dcr", false, "ini read, binary written: same content"},
        {"golden/full.dcr", "golden/full.dcf", true, "binary read, ini written"},
        {"golden/old-form.dcr", "golden/full.dcr", false, "older form gains the file header"},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Why);
        TDocument Doc(nullptr);
        Doc.SetNameSaveFile(Ansi(Data(C.From)));
        Doc.Load();
        const AnsiString Out = Dir.File(C.Ini ? "out.dcf" : "out.dcr");
        if (C.Ini)
            Doc.SaveToIniFile(Out);
        else
            Doc.SaveToBinaryFile(Out);
        EXPECT_EQ(Doc.NameSaveFile(), Out);
        ExpectMatchesGolden(ReadBytes(Out.ToUtf8()), Data(C.Golden));
    }
}

TEST(RP_DocumentFiles, WrittenFileBeginsWithHeaderAndMarker)
{
    const TempDir Dir;
    TDocument Doc(nullptr);
    Doc.SaveToBinaryFile(Dir.File("t"));
    const std::string Bytes = ReadBytes(Dir.Path() / "t.dcr");
    EXPECT_EQ(Bytes.substr(0, 37), Str("Report Description File") + Str("FRDCR") + TI(1, 1));
}

TEST(RP_DocumentFiles, DetectFormat)
{
    const std::string Ini = "[Report Description File]\r\nVersion=1\r\n";
    struct Case {
        std::string Bytes;
        bool AsIni;
        bool Result;
        const char* Why;
    } const Cases[] = {
        {Ini, true, true, "ini header and a line break"},
        {"[Report Description File]\nVersion=1\n", true, true, "LF line ends"},
        {"[Report Description File]x\r\nVersion=1\r\n", true, false, "other characters after it"},
        {Ini, false, false, "ini is not binary"},
        {Str("Report Description File") + Str("FRDCR") + TI(1, 1), false, true, "binary file"},
        {Str("Report Description File") + Str("FRDCR") + TI(1, 1), true, false, "not ini"},
        {Str("FRDCR") + TI(1, 1) + TI(2, 0) + TI(3, 0) + TI(4, 0), false, true,
         "older form: FRDCR at the third byte"},
        {Str("FRDCR"), false, false, "fewer than 25 bytes"},
        {std::string(30, 'x') + "Report Description File", false, false, "no R in the first 25"},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Why);
        MemoryBlockStream In(C.Bytes.data(), C.Bytes.size());
        In.SetPosition(0);
        EXPECT_EQ(TDocument::DetectFormat(In, C.AsIni), C.Result);
        EXPECT_EQ(In.Position(), 0) << "position kept";
    }
}

TEST(RP_DocumentFiles, BrokenTemplatesEachGiveTheirError)
{
    const AnsiString Plain = "Error loading report from file";
    const std::map<std::string, AnsiString> Expected = {
        {"frdcr-marker-wrong.dcr", Plain},
        {"end-marker-wrong.dcr", Plain},
        {"designer-marker-wrong.dcr", Plain},
        {"element-marker-wrong.dcr", Plain},
        {"document-tag-77.dcr", Plain + "\r\nUnknown DataPrefix [77]"},
        {"designer-tag-40.dcr", Plain + "\r\nUnknown DataPrefix [40]"},
        {"page-tag-6.dcr", Plain + "\r\nUnknown DataPrefix [6]"},
        {"element-tag-99.dcr", Plain + "\r\nUnknown DataPrefix [99]"},
        {"page-index-huge.dcr", Plain},
        {"page-index-negative.dcr", Plain},
        {"page-count-huge.dcr", Plain},
        {"element-count-huge.dcr", Plain},
        {"line-count-huge.dcr", Plain},
        {"line-count-negative.dcr", Plain},
        {"string-length-huge.dcr", Plain},
        {"string-length-negative.dcr", Plain},
        {"string-prefix-7.dcr", "ReadString: Ошибка чтения"_a},
        {"cut-in-long-string.dcr", Plain},
        {"cut-in-end-marker.dcr", "Stream read error"},
        {"kind-mismatch.dcf", "Тип не соответствует"_a},
        {"line-count-huge.dcf", Plain},
        {"view-count-huge.dcf", Plain},
        {"page-count-huge.dcf", Plain},
        {"view-count-of-other-sections.dcf", Plain},
        {"elements-past-limit.dcr", Plain + "\r\n" + "Элементов в шаблоне больше 20000"_a},
        {"pages-past-limit.dcr", Plain + "\r\n" + "Страниц в шаблоне больше 1000"_a},
    };
    TDocument Doc(nullptr);
    Doc.LoadFromBinaryFile(Ansi(Data("golden/full.dcr")));
    const AnsiString Name = Doc.NameSaveFile();
    const std::string Before = SnapshotOf(Doc);
    for (const auto& Entry : fs::directory_iterator(Data("broken"))) {
        const std::string File = Entry.path().filename().string();
        SCOPED_TRACE(File);
        const auto Row = Expected.find(File);
        if (Row == Expected.end()) {
            ADD_FAILURE() << "no expected error for this file";
            continue;
        }
        const std::string Bytes = ReadBytes(Entry.path());
        MemoryBlockStream In(Bytes.data(), Bytes.size());
        ExpectRaises<Exception>([&] { Doc.LoadFromAnyStream(In); }, Row->second);
        // Through the file readers too, which check the form first.
        const bool Ini = File.ends_with(".dcf");
        ExpectRaises<Exception>(
            [&] {
                if (Ini)
                    Doc.LoadFromIniFile(Ansi(Entry.path()));
                else
                    Doc.LoadFromBinaryFile(Ansi(Entry.path()));
            },
            File == "frdcr-marker-wrong.dcr"
                ? Plain + "\r\nFile is not a Report configfile"
                : Row->second);
        EXPECT_EQ(SnapshotOf(Doc), Before) << "a failed load leaves the document as it was";
        EXPECT_EQ(Doc.NameSaveFile(), Name);
    }
}

// A picture element names a file beside the template. Only an ordinary
// file of at most 64 MiB is read: a named pipe would hold the load until
// someone writes into it, a huge file would be read whole.
TEST(RP_DocumentFiles, PicturesAreOrdinaryFilesOfBoundedSize)
{
    const TempDir Dir;
    TBitmap Logo;
    Logo.SetSize(4, 3);
    Logo.SaveToFile(Dir.File("logo.bmp"));
    const std::string Pipe = Dir.File("pipe.bmp").ToUtf8();
    ASSERT_EQ(mkfifo(Pipe.c_str(), 0600), 0);
    {
        std::ofstream Big(Dir.File("big.bmp").ToUtf8(), std::ios::binary);
        Big.write("BM", 2);
    }
    fs::resize_file(Dir.File("big.bmp").ToUtf8(), (Int64(64) << 20) + 1);

    struct Case {
        const char* Name;
        int Width;  // of the picture loaded; 0 for none
    };
    const Case Cases[] = {
        {"logo.bmp", 4},  // an ordinary picture loads
        {"pipe.bmp", 0},  // a named pipe is not opened to wait for a writer
        {"big.bmp", 0},   // one byte past the size allowed
        {".", 0},         // a folder
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        TDocument Doc(nullptr);
        auto* View = new TView(vkPicture, &Doc);
        View->Lines->Add(Dir.File(C.Name));
        Doc.CurrentPage()->AddView(View);
        Doc.SaveToBinaryFile(Dir.File("t.dcr"));
        TDocument Loaded(nullptr);
        Loaded.LoadFromBinaryFile(Dir.File("t.dcr"));
        EXPECT_EQ(Loaded.CurrentPage()->GetView(0)->Picture->Width(), C.Width);
    }
}

TEST(RP_DocumentFiles, FileNameRules)
{
    const TempDir Dir;
    TDocument Doc(nullptr);
    Doc.SetDefSaveAsIni(false);
    Doc.SaveToIniFile(Dir.File("SS.dcf"));
    Doc.SetNameSaveFile(Dir.File("SS"));
    Doc.Load();
    EXPECT_EQ(Doc.NameSaveFile(), Dir.File("SS.dcf")) << "the other extension when only it exists";

    EXPECT_EQ(Doc.GetTemplateFileName(Dir.File("new"), true), Dir.File("new.dcf"));
    EXPECT_EQ(Doc.GetTemplateFileName(Dir.File("new"), false), Dir.File("new.dcr"));
    EXPECT_EQ(Doc.GetTemplateFileName(Dir.File("ss.DCF"), false), Dir.File("SS.dcf"))
        << "an existing file is named as the disk spells it";
    Doc.SetNameSaveFile(Dir.File("ticket1"));
    Doc.SaveToBinaryFile(Dir.File("Ticket1.dcr"));
    Doc.SetNameSaveFile(Dir.File("TICKET1"));
    Doc.Load();
    EXPECT_EQ(Doc.NameSaveFile(), Dir.File("Ticket1.dcr")) << "completed without regard to case";

    EXPECT_FALSE(Doc.IsCfgFile0(Dir.File("missing.dcr"), 3)) << "no file: false whatever tip";
    ExpectRaises<Exception>([&] { (void)Doc.IsCfgFile0(Dir.File("SS.dcf"), 3); },
                            "IsCfgFile0: Неправильный параметр tip"_a);
    EXPECT_TRUE(Doc.IsIniCfgFile(Dir.File("SS.dcf")));
    EXPECT_FALSE(Doc.IsBinCfgFile(Dir.File("SS.dcf")));
    ExpectRaises<Exception>([&] { Doc.LoadFromBinaryFile(Dir.File("SS.dcf")); },
                            "Error loading report from file\r\nFile is not a Report configfile");
    Doc.SetNameSaveFile(Dir.File("nothing"));
    ExpectRaises<Exception>([&] { Doc.Load(); },
                            "Error loading report from file\r\nFile is not a Report configfile");
    Doc.DesignerOpen = true;
    Doc.Load();  // the designer starts on the present document
    EXPECT_EQ(Doc.NameSaveFile(), Dir.File("nothing.dcr"));
}

TEST(RP_DocumentFiles, SaveKeepsTheFormOfAnExistingFile)
{
    const TempDir Dir;
    TDocument Ini(nullptr);
    Ini.SaveToIniFile(Dir.File("old.dcr"));  // an ini template named .dcr
    struct Case {
        const char* Name;
        bool Binary;
        const char* Why;
    } const Cases[] = {
        {"x.dcr", true, "new file with .dcr"},
        {"x.DCR", true, "extension in any case"},
        {"x.txt", false, "any other extension: ini"},
        {"old.dcr", false, "an existing ini file stays ini"},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Why);
        TDocument Doc(nullptr);
        Doc.SetNameSaveFile(Dir.File(C.Name));
        Doc.Save();
        EXPECT_EQ(Doc.IsBinCfgFile(Dir.File(C.Name)), C.Binary);
        EXPECT_EQ(Doc.IsIniCfgFile(Dir.File(C.Name)), !C.Binary);
    }

    TDocument ReadOnly(nullptr);
    ReadOnly.ReadOnly = true;
    ReadOnly.SaveToBinaryFile(Dir.File("ro.dcr"));
    EXPECT_FALSE(fs::exists(Dir.Path() / "ro.dcr")) << "read-only: nothing written, no error";
}

TEST(RP_DocumentFiles, HostStreamsInEitherForm)
{
    for (const char* Name : {"golden/full.dcr", "golden/full.dcf", "golden/old-form.dcr"}) {
        SCOPED_TRACE(Name);
        Host H;
        H.Stream = StreamOf(ReadBytes(Data(Name)));
        TDocument Doc(nullptr);
        Doc.OnLoadBegin = TLoadSaveEvent(&H, &Host::Begin);
        Doc.OnLoadEnd = TNotifyEvent(&H, &Host::End);
        Doc.SetNameSaveFile("TXT/Ticket1.dcf");
        Doc.Load();
        ExpectFullTemplate(Doc);
        EXPECT_EQ(H.FileName, "TXT/Ticket1.dcf");
        EXPECT_EQ(H.Ends, 1);
    }

    Host Broken;
    Broken.Stream = StreamOf(ReadBytes(Data("broken/page-index-huge.dcr")));
    TDocument Doc(nullptr);
    Doc.OnLoadBegin = TLoadSaveEvent(&Broken, &Host::Begin);
    Doc.OnLoadEnd = TNotifyEvent(&Broken, &Host::End);
    Doc.SetNameSaveFile("T.dcr");
    ExpectRaises<Exception>([&] { Doc.Load(); }, "Error loading report from file");
    EXPECT_EQ(Broken.Ends, 1) << "OnLoadEnd fires after a failed read too";

    Host Saver;
    Saver.Stream = std::make_unique<TMemoryStream>();
    TDocument Written(nullptr);
    Written.OnSaveBegin = TLoadSaveEvent(&Saver, &Host::Begin);
    Written.OnSaveEnd = TNotifyEvent(&Saver, &Host::End);
    Written.Save();
    const std::string Bytes(static_cast<const char*>(Saver.Stream->Memory()),
                            size_t(Saver.Stream->Size()));
    EXPECT_EQ(Bytes.substr(0, 7), Str("FRDCR")) << "host streams begin at the marker";
    EXPECT_EQ(Saver.Ends, 1);
}

TEST(RP_DocumentFiles, HeaderOnlyRead)
{
    TDocument Doc(nullptr);
    EXPECT_FALSE(Doc.LoadHeaderFromFile(Ansi(Data("golden/full.dcf"))));
    EXPECT_TRUE(Doc.LoadHeaderFromFile(Ansi(Data("golden/full.dcr"))));
    EXPECT_EQ(Doc.StoredNameDocument(), "Ценники"_a);
    EXPECT_EQ(Doc.Category(), 3);
    EXPECT_EQ(Doc.MarginBottom, 500);
    EXPECT_EQ(Doc.PrinterName, "") << "nothing after the margins is read";
    ASSERT_EQ(Doc.PageCount(), 1);
    EXPECT_EQ(Doc.CurrentPage()->ViewCount(), 0);
    EXPECT_FALSE(Doc.HeaderOnly);
}

// The header read behind the tag-kind menu, by the names the menu gives:
// a name without extension is completed and any case of letters found;
// what is no binary template gives false with nothing read; a binary
// template cut short raises and leaves the document as it was.
TEST(RP_DocumentFiles, HeaderReadByName)
{
    const TempDir Dir;
    const std::string Full = ReadBytes(Data("golden/full.dcr"));
    WriteBytes(Dir.Path() / "Ticket1.dcr", Full);
    WriteBytes(Dir.Path() / "Ticket2.dcf", ReadBytes(Data("golden/full.dcf")));
    WriteBytes(Dir.Path() / "junk.dcr", std::string(64, 'x'));
    WriteBytes(Dir.Path() / "cut.dcr", Full.substr(0, 48));  // ends inside the name
    struct Case {
        const char* Name;
        bool Read;
        const char* Error;  // raised instead, when not empty
    } const Cases[] = {
        {"Ticket1", true, ""},         // completed to Ticket1.dcr
        {"TICKET1.DCR", true, ""},     // found as the disk spells it
        {"Ticket2", false, ""},        // only the ini form: no Ticket2.dcr
        {"Ticket2.dcf", false, ""},    // the ini form is not read here
        {"missing.dcr", false, ""},    // no file
        {"junk.dcr", false, ""},       // no template
        {"cut.dcr", false, "Stream read error"},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        TDocument Doc(nullptr);
        const std::string Before = SnapshotOf(Doc);
        if (*C.Error) {
            ExpectRaises<Exception>([&] { (void)Doc.LoadHeaderFromFile(Dir.File(C.Name)); },
                                    C.Error);
        } else {
            EXPECT_EQ(Doc.LoadHeaderFromFile(Dir.File(C.Name)), C.Read);
        }
        if (C.Read) {
            EXPECT_EQ(Doc.StoredNameDocument(), "Ценники"_a);
            EXPECT_EQ(Doc.NameSaveFile(), Dir.File("Ticket1.dcr"));
        } else {
            EXPECT_EQ(SnapshotOf(Doc), Before) << "nothing read";
        }
        EXPECT_FALSE(Doc.HeaderOnly);
    }
}

TEST(RP_DocumentFiles, DocumentRecordEdges)
{
    const std::string Designer = TS(11, "DEFDES") + TS(255, "ENDDD");
    const std::string Page = TS(1, "PAGE") + TI(2, 0) + TI(10, 1) + ViewRecord(TI(11, 9)) +
                             TS(255, "ENDPG");
    TDocument Doc(nullptr);
    // Tag 10 below 1 still reads one page record; skipped tags 13 and 14.
    const std::string Bytes = Str("FRDCR") + TI(13, 5) + TI(14, 6) + TI(10, 0) + Designer +
                              TS(12, "PAGES") + Page + TS(255, "ENDFR");
    MemoryBlockStream In(Bytes.data(), Bytes.size());
    Doc.LoadFromStream(In, false);
    ASSERT_EQ(Doc.CurrentPage()->ViewCount(), 1);
    EXPECT_EQ(Doc.CurrentPage()->GetView(0)->FontSize, 9);

    // Without tag 10 no page record is read, so the page bytes are tags
    // of the document record.
    const std::string NoCount = Str("FRDCR") + TS(12, "PAGES") + TS(255, "ENDFR");
    MemoryBlockStream In2(NoCount.data(), NoCount.size());
    Doc.LoadFromStream(In2, false);
    EXPECT_EQ(Doc.CurrentPage()->ViewCount(), 0);

    // The designer record skips the settings of older designers.
    const std::string Old = Str("FRDCR") + TS(11, "DEFDES") + TI(22, 1) + TS(23, "x") +
                            TB(24, true) + TB(25, true) + TI(26, 1) + TI(29, 1) + TI(6, 8) +
                            TS(255, "ENDDD") + TS(255, "ENDFR");
    MemoryBlockStream In3(Old.data(), Old.size());
    Doc.LoadFromStream(In3, false);
    EXPECT_EQ(Doc.DefDesigner->GridSize, 8);

    // A designer window placed off the screen comes back onto it.
    const std::string Off = Str("FRDCR") + TS(11, "DEFDES") + TI(1, 100000) + TI(2, -11) +
                            TI(3, 29) + TI(4, 100000) + TI(5, 1) + TS(255, "ENDDD") +
                            TS(255, "ENDFR");
    MemoryBlockStream In4(Off.data(), Off.size());
    Doc.LoadFromStream(In4, false);
    const T_RPDefDesigner& D = *Doc.DefDesigner;
    EXPECT_EQ(D.Left, 10);
    EXPECT_EQ(D.Top, 10);
    EXPECT_EQ(D.Height, GetSystemMetrics(SM_CYSCREEN) - 30);
    EXPECT_EQ(D.Width, GetSystemMetrics(SM_CXSCREEN) - 30);
    EXPECT_EQ(D.WState, 0) << "only maximised (2) is kept";
}

TEST(RP_DocumentFiles, IniPrefixAndPaperRule)
{
    TDocument Doc(nullptr);
    Doc.CurrentPage()->AddView(new TView(vkText, &Doc));
    TIniFile Ini(/*InMemory=*/true, "");
    Doc.SaveToIni(Ini, "DOC");
    TStringList Sections;
    Ini.ReadSections(&Sections);
    EXPECT_EQ(Sections.CommaText(), "DOC,\"DOC Designer\",\"DOC P0\",\"DOC P0V0\"");

    Ini.WriteString("DOC", "PrinterPageDefaultSize", "0");
    Ini.WriteString("DOC", "PrinterPageWidth", "400");
    Ini.WriteString("DOC", "PrinterPageHeight", "29700");
    Doc.LoadFromIni(Ini, "DOC");
    EXPECT_TRUE(Doc.PrinterPageDefaultSize) << "paper under 5 mm is no paper";
    EXPECT_EQ(Doc.CurrentPage()->ViewCount(), 1);
}

TEST(RP_DocumentFiles, ZoomDoesNotReachTheFile)
{
    const TempDir Dir;
    TDocument Doc(nullptr);
    Doc.SetScale(2.0);
    Doc.LoadFromBinaryFile(Ansi(Data("golden/full.dcr")));
    EXPECT_EQ(Doc.Scale(), 2.0);
    EXPECT_EQ(Doc.GetPage(0)->GetView(1)->GetWidth(), 400) << "read at 1.0, shown at 2.0";
    Doc.SaveToBinaryFile(Dir.File("zoomed.dcr"));
    Doc.SaveToIniFile(Dir.File("zoomed.dcf"));
    EXPECT_EQ(Doc.Scale(), 2.0);
    ExpectMatchesGolden(ReadBytes(Dir.Path() / "zoomed.dcr"), Data("golden/full.dcr"));
    ExpectMatchesGolden(ReadBytes(Dir.Path() / "zoomed.dcf"), Data("golden/full.dcf"));
}
