#pragma once

// What the tests of the interface components share: a form to place
// controls on, offscreen renders and pixel probes, and PNG files for a
// look (written under PRICETAGS_PNG_DIR, else /tmp/pricetags-components).

#include "platform/forms/Forms.h"
#include "platform/forms/Graphics.h"

#include "tests/support/TestSupport.h"

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace components_test {

/// A form of the given client size in the classic face colour, shown, with
/// the label font pinned to Arial 8 pt so that text sizes stay fixed.
inline std::unique_ptr<TForm> MakeForm(int ClientWidth, int ClientHeight)
{
    auto Form = std::make_unique<TForm>(nullptr, 0);
    Form->SetClientWidth(ClientWidth);
    Form->SetClientHeight(ClientHeight);
    Form->SetColor(clBtnFace);
    Form->Font()->SetName("Arial");
    Form->Font()->SetHeight(-11);
    return Form;
}

/// The control's window with its children painted into a bitmap.
inline std::unique_ptr<TBitmap> Render(TWinControl* Control)
{
    auto Bmp = std::make_unique<TBitmap>();
    // A form paints its client area only.
    if (Control->Parent())
        Bmp->SetSize(Control->Width(), Control->Height());
    else
        Bmp->SetSize(Control->ClientWidth(), Control->ClientHeight());
    Control->PaintTo(Bmp->Canvas()->Handle(), 0, 0);
    return Bmp;
}

/// RGB of a pixel of a render; system colours of the classic scheme are
/// compared through ColorToRGB.
inline COLORREF PixelOf(TBitmap& Bmp, int X, int Y)
{
    return static_cast<COLORREF>(Bmp.Canvas()->Pixels(X, Y)) & 0xFFFFFF;
}
inline COLORREF Rgb(TColor Color)
{
    return ColorToRGB(Color) & 0xFFFFFF;
}

/// Counts the pixels of a colour in a rectangle of a render.
inline int CountPixels(TBitmap& Bmp, const TRect& R, TColor Color)
{
    int N = 0;
    for (int Y = R.Top; Y < R.Bottom; ++Y)
        for (int X = R.Left; X < R.Right; ++X)
            if (PixelOf(Bmp, X, Y) == Rgb(Color))
                ++N;
    return N;
}

/// Writes the render as <Name>.png for a look.
inline void SavePng(TBitmap& Bmp, const std::string& Name)
{
    const char* Dir = std::getenv("PRICETAGS_PNG_DIR");
    const std::filesystem::path Folder = Dir ? Dir : "/tmp/pricetags-components";
    std::filesystem::create_directories(Folder);
    WriteBytes(Folder / (Name + ".png"), Bmp.SaveToPngBytes());
}

} // namespace components_test
