#include "exceptionlog/RichText.h"

#include "exceptionlog/LogText.h"

#include "tests/exceptionlog/ReportFixture.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The lines between the header and the closing brace.
AnsiString Body(const AnsiString& Rtf)
{
    const int Start = Rtf.Pos("\\fs16\r\n") + 7;
    return Rtf.SubString(Start, Rtf.Length() - Start);
}

}  // namespace

TEST(RichText, EscapeRTF)
{
    struct Case { const char* In; const char* Out; };
    const Case Cases[] = {
        {"a\\b", "a\\\\b"},
        {"{x}", "\\{x\\}"},
        {"\\{", "\\\\\\{"},  // the backslash is doubled before the brace gets its own
        {"a\r\nb", "a\\par\r\nb"},
        {"", ""},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.In);
        AnsiString S = C.In;
        EscapeRTF(S);
        EXPECT_EQ(S, C.Out);
    }
}

TEST(RichText, GeneralLinesByShape)
{
    const AnsiString Rtf = GeneralSectionToRTF(
        "RazuroLog 5.1.3\r\n\r\nApplication:\r\n-----\r\n  1.1 Start: now\r\nplain\r\nx: y: z");
    EXPECT_EQ(Rtf.Pos("{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1040{\\fonttbl{\\f0\\fmodern"
                      "\\fprq1\\fcharset204 Courier New;}}\r\n{\\colortbl ;"),
              1);
    EXPECT_EQ(Body(Rtf),
              "\\cf1\\b RazuroLog 5.1.3\\par\\b0\r\n"
              "\\cf3\\b \\par\\b0\r\n"                  // an empty line passes the heading test
              "\\cf3\\b Application:\\par\\b0\r\n"
              "\\cf3 -----\\par\r\n"
              "\\cf2   1.1 Start:\\cf4  now\\par\r\n"
              "plain\\par\r\n"
              "\\cf2 x:\\cf4  y: z");
    EXPECT_EQ(Rtf.SubString(Rtf.Length(), 1), "}");
}

TEST(RichText, CPUColumnsAtBothWidths)
{
    for (const int Width : {8, 16}) {
        SCOPED_TRACE(Width);
        const ReportFixture F(Width);
        const AnsiString Rtf = CPUSectionToRTF(CPUText(F.Data, F.Options));
        ExpectMatchesGolden(Rtf.Std(), TestData() / "RichText" / "golden" /
                                           ("cpu-" + std::to_string(Width) + ".rtf"));
    }
    // A section of nine lines has no dump to colour.
    const AnsiString Nine = "Registers:\r\n-\r\nEAX: ????       EDI: ????    \r\n"
                            "EBX: ????       ESI: ????    \r\nECX: ????       ESP: ????    \r\n"
                            "EDX: ????       EIP: ????    \r\n\r\n"
                            "Stack:               Memory Dump:\r\n------------------   ---";
    EXPECT_GT(CPUSectionToRTF(Nine).Pos("------------------\\tab ---"), 0);
}
