#pragma once

// One fixed report (every field, two threads, two modules, registers and
// dumps) at address width 8 or 16, for the report text and log tests.

#include "exceptionlog/LogText.h"
#include "exceptionlog/ModuleOptions.h"

#include "platform/rtl/DateTime.h"

#include <string>
#include <vector>

struct ReportFixture {
    explicit ReportFixture(int Width)
    {
        const bool Wide = Width == 16;
        auto& F = Data.Fields;
        F[gfStartDate] = "Tue, 3 Mar 2009 14:00:00 +0300";
        F[gfNameDescription] = "pricetags";
        F[gfVersionNumber] = "1.0.0.1";
        F[gfParameters] = "\"-x\"";
        F[gfCompilationDate] = "Mon, 2 Mar 2009 10:00:00 +0300";
        F[gfExceptionDate] = "Tue, 3 Mar 2009 14:05:09 +0300";
        F[gfAddress] = Wide ? "0000000000401A2B" : "00401A2B";
        F[gfModule] = "pricetags";
        F[gfType] = "EConvertError";
        F[gfMessage] = "'12,x' is not a valid number:\r\nline two.";
        F[gfFormClass] = "TFormMain";
        F[gfFormText] = "Ценники"_a;
        F[gfControlClass] = "Tyl_DataDrawGrid";
        F[gfControlText] = "";
        F[gfComputerName] = "SHOP";
        F[gfUser] = "kassa";
        F[gfTotalMemory] = "2048 Mb";
        F[gfFreeMemory] = "1024 Mb";
        F[gfTotalDisk] = "12,5 Gb";
        F[gfFreeDisk] = "3,25 Gb";
        F[gfUpTime] = "1 day, 1 hour, 1 minute, 1 second";
        F[gfProcessor] = "Intel(R) Core(TM) i5 CPU";
        F[gfDisplayMode] = "1920 x 1080, 32 bit";
        F[gfSystemType] = "Debian GNU/Linux 12 (bookworm)";
        F[gfBuild] = "6.1.0-18-amd64";
        F[gfUpdate] = "#1 SMP PREEMPT_DYNAMIC Debian 6.1.76-1";
        F[gfLanguage] = "Russian";
        F[gfIPAddress] = "010.000.000.001";
        F[gfSubmask] = "255.255.255.000";
        F[gfGateway] = "010.000.000.254";
        F[gfDNS1] = "010.000.000.002";
        F[gfDNS2] = "000.000.000.000";
        F[gfDHCP] = "ON              ";

        const uint64_t Base = Wide ? 0x0000555555554000ull : 0x00400000ull;
        StackEntry E;
        E.Kind = 4;
        E.Address = Base + 0x1A2B;
        E.Module = "pricetags";
        E.UnitName = "Funcs";
        E.ProcedureName = "StrToCurr";
        E.Line = 42;
        E.LineOffset = 3;
        E.ThreadID = 1200;
        E.ThreadClass = "TThread";
        E.MainThread = true;
        Stack.push_back(E);
        E.Address = Base + 0x2000;
        E.UnitName = "MainForm";
        E.ClassName = "TFormMain";
        E.ProcedureName = "btInvoiceClick";
        E.Line = 0;
        Stack.push_back(E);
        E = StackEntry();
        E.Address = Base + 0x3000;
        E.Module = "libc.so.6";
        E.ThreadID = 1201;
        E.Priority = 5;
        E.Running = true;
        Stack.push_back(E);
        Data.CallStack = &Stack;

        Data.Modules.push_back({Base, "pricetags", "", "1.0.0.1", 123456,
                                EncodeDate(2009, 3, 2) + EncodeTime(10, 0, 0, 0),
                                "/opt/pricetags/pricetags"});
        Data.Modules.push_back({Wide ? 0x00007FFFF7C00000ull : 0x7C800000ull, "libc.so.6", "",
                                "6", 1922136, EncodeDate(2024, 1, 31) + EncodeTime(8, 30, 0, 0),
                                "/usr/lib/x86_64-linux-gnu/libc.so.6"});

        CPUContext C;
        for (size_t I = 0; I < 8; ++I)
            C.Registers[I] = Wide ? 0x1111111111111111ull * (I + 1) : 0x11111111ull * (I + 1);
        C.Registers[5] = Wide ? 0x00007FFFFFFFE000ull : 0x0012F000ull;  // SP
        C.Registers[7] = E.Address;                                       // IP
        for (int I = 0; I < Width * 8; ++I)
            C.Stack += char(I);
        for (int I = 0; I < 256; ++I)
            C.Memory += char(255 - I);
        Data.Context = C;
        Data.AddressWidth = Width;
    }

    TRazuroModuleOptions Options;
    std::vector<StackEntry> Stack;
    ReportData Data;
};
