#pragma once

// What the designer's dialogs share: their controls made and placed in one
// call each (named, parented, bounds in the parent's client pixels), the
// look of an edit that is enabled or not, and the numbers the options and
// element dialogs convert between (margins in centimetres, paper in
// millimetres, element geometry in millimetres or pixels; all stored in
// hundredths of a millimetre).

#include "platform/rtl/AnsiString.h"
#include "platform/rtl/Numbers.h"

class TButton;
class TCheckBox;
class TComponent;
class TControl;
class TGroupBox;
class TLabel;
class TRadioButton;
class TWinControl;
class Tyl_FloatEdit;
class Tyl_IntegerEdit;

namespace RP_Dlg {

TLabel* AddLabel(TWinControl* Parent, const AnsiString& Caption, int X, int Y);
TGroupBox* AddGroup(TWinControl* Parent, const char* Name, const AnsiString& Caption, int X,
                    int Y, int W, int H);
TCheckBox* AddCheck(TWinControl* Parent, const char* Name, const AnsiString& Caption, int X,
                    int Y, int W);
TRadioButton* AddRadio(TWinControl* Parent, const char* Name, const AnsiString& Caption, int X,
                       int Y, int W);
/// A number edit showing Decimals digits after the separator.
Tyl_FloatEdit* AddFloat(TWinControl* Parent, const char* Name, int Decimals, int X, int Y,
                        int W);
Tyl_IntegerEdit* AddInteger(TWinControl* Parent, const char* Name, int X, int Y, int W);
/// A push button answering with Result (mrNone: its own click handler).
TButton* AddButton(TWinControl* Parent, const char* Name, const AnsiString& Caption, int Result,
                   int X, int Y, int W);

/// Enables or disables an edit; an enabled edit takes the window colour, a
/// disabled one its parent's colour.
void EnableEdit(TControl* Edit, bool Enabled);

/// Margins: centimetres shown, hundredths of a millimetre stored (1.5 cm
/// is 1500).
[[nodiscard]] Extended MarginToCm(Integer Stored);
[[nodiscard]] Integer CmToMargin(Extended Cm);
/// Paper sizes and offsets: millimetres shown, hundredths stored (210 mm
/// is 21000).
[[nodiscard]] Extended PaperToMm(Integer Stored);
[[nodiscard]] Integer MmToPaper(Extended Mm);
/// Device pixels of a printer at Dpi as millimetres (4960 at 600 dpi is
/// 209.97); 0 when Dpi is not positive.
[[nodiscard]] Extended DeviceToMm(Integer Pixels, Integer Dpi);

}  // namespace RP_Dlg
