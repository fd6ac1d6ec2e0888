#pragma once

// The screenshot tests' independent PNG reader: the decoder script
// (tests/data/Screenshot/png_decode.py, Python's zlib and struct) run on
// the bytes, its findings parsed.

#include "tests/exceptionlog/ExternalTools.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

struct Decoded {
    int Width = 0, Height = 0;
    std::vector<size_t> Idat;
    std::vector<std::string> Palette;
    std::string EndCrc;
    std::string Pixels;  // RRGGBB of every pixel
};

/// Decodes Png; a failed check of the decoder fails the test.
Decoded Decode(const std::string& Png)
{
    const TempDir Dir;
    WriteBytes(Dir.Path() / "shot.png", Png);
    const ToolResult R = RunTool("python3 '" + std::string(PRICETAGS_SOURCE_DIR) +
                                 "/tests/data/Screenshot/png_decode.py' '" +
                                 (Dir.Path() / "shot.png").string() + "' 2>&1");
    EXPECT_EQ(R.Status, 0) << R.Output;
    Decoded D;
    std::istringstream In(R.Output);
    for (std::string Line; std::getline(In, Line);) {
        std::istringstream F(Line);
        std::string Key;
        F >> Key;
        if (Key == "size")
            F >> D.Width >> D.Height;
        for (std::string V; Key == "idat" && F >> V;)
            D.Idat.push_back(std::stoul(V));
        for (std::string V; Key == "palette" && F >> V;)
            D.Palette.push_back(V);
        if (Key == "end")
            F >> D.EndCrc;
        if (Key == "pixels")
            F >> D.Pixels;
    }
    return D;
}

}  // namespace
