#pragma once

// TFormAbout: the program's name, the shop it is set up for and its version.

#include "app/NewInput.h"

class TFormAbout : public TFormNewInput {
    PRICETAGS_CLASS(TFormAbout, TFormNewInput)
public:
    explicit TFormAbout(TComponent* AOwner);
    ~TFormAbout() override;

    TLabel* lbCustom;
    TLabel* lbAppName;
    TLabel* lbVersData;
    TLabel* lbSite;

private:
    void BuildControls();
};

/// "v" + the first three numbers of the program's file version joined by
/// points, then " (" + the program file's date and time + ")" when known.
[[nodiscard]] AnsiString AppVersionLine();
/// The four numbers of the program's file version, "%d.%d.%d.%d".
[[nodiscard]] AnsiString AppVersionText();
