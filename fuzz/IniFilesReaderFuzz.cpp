// The shared ini file's reader: the bytes of a file are read as its lines
// (the file's own line rules) into an in-memory ini object, every entry is
// read back and the contents are written out again. Any bytes must load; a
// clean Exception passes, a crash or a sanitizer report fails.

#include "common/base/IniFiles.h"
#include "platform/classes/Streams.h"
#include "platform/classes/Strings.h"
#include "platform/rtl/Exceptions.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    try {
        MemoryBlockStream Stream(Data, Size);
        TStringList Lines;
        Lines.LoadFromStream(&Stream);
        TIniFile Ini("");
        Ini.SetStrings(&Lines);
        TStringList Sections;
        Ini.ReadSections(&Sections);
        for (int I = 0; I < Sections.Count(); ++I) {
            TStringList Names;
            Ini.ReadSection(Sections.Strings(I), &Names);
            for (int J = 0; J < Names.Count(); ++J) {
                (void)Ini.ReadQuotedString(Sections.Strings(I), Names.Strings(J), "");
                (void)Ini.ReadInteger(Sections.Strings(I), Names.Strings(J), 0);
                (void)Ini.ReadDateTime(Sections.Strings(I), Names.Strings(J), 0);
            }
        }
        TStringList Out;
        Ini.GetStrings(&Out);
    } catch (const Exception&) {
    }
    return 0;
}
