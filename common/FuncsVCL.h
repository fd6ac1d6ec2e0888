#pragma once

// Named fonts and window placement. Every window of the program takes the
// same seven fonts from the program's ini file (sections "MainFont",
// "LabelFont", "EditFont", "CourierFont", "HeaderFont", "ColumnFont",
// "TextFont"), chosen by each control's kind and the suffix of its name.
// Each form keeps its placement, and the layout of its grids, list views,
// header controls, splitters and frames, in the section
// FormBaseName(form name) + "Position".
//
// Layout numbers are 4-digit fields with leading zeros (negative values as
// 0000). A value of 10000 or more is written in full between two "+"
// marks, so it is not cut; older files never hold such fields.

#include "platform/classes/Component.h"
#include "platform/gui/Forms.h"
#include "platform/gui/Graphics.h"
#include "platform/rtl/AnsiString.h"

#include <initializer_list>

/// True while the program's message loop runs.
extern bool gAppRunning;
/// Set once the program has restored its windows' placement at start-up.
extern bool gFormsRestored;

/// The seven application fonts, loaded from the ini on first use.
enum class AppFont { Main, Label, Edit, Courier, Header, Column, Text };
/// The font (owned by the unit; valid until FuncsVCLFinalization).
[[nodiscard]] TFont* GetAppFont(AppFont Which);

/// SetComponentsFonts over every form of the screen.
void SetApplicationFonts(std::initializer_list<TClass> Exclude);
/// SetComponentFont for each component owned by Component, recursing into
/// owned components that own others.
void SetComponentsFonts(TComponent* Component, std::initializer_list<TClass> Exclude);
/// Gives Component its named font by its class and name; true when a font
/// was applied. Components without a published Font are skipped; one whose
/// owner is of an Exclude class only gets the Cyrillic charset.
bool SetComponentFont(TComponent* Component, std::initializer_list<TClass> Exclude);

/// Name without a trailing "_" + a whole number ("FormMain_2" ->
/// "FormMain"); unchanged when there is none.
[[nodiscard]] AnsiString FormBaseName(const AnsiString& Name);

/// Saves Form's placement and its children's layouts, when the program's
/// state may be saved (gCanSaveSettings). A maximised form keeps the normal
/// bounds saved before.
void SaveFormPosition(TForm* Form);
/// Restores what SaveFormPosition saved; a form never saved is centred (the
/// main form maximised). The position is kept on the work area of its
/// monitor. A layout value that does not parse is logged and skipped; the
/// rest of the placement still applies.
void RestoreFormPosition(TForm* Form);

/// A 4-digit layout field ("0030"; "+12345+" from 10000 on; negative as 0).
[[nodiscard]] AnsiString LayoutField(int Value);
/// Reads the fields of a layout string; false when it does not parse
/// (Fields then holds the fields read before the fault).
bool ParseLayoutFields(const AnsiString& S, std::vector<int>& Fields);

/// Saves the fonts (when the state may be saved) and frees them.
void FuncsVCLFinalization();

class TCustomGrid;

/// One wheel notch over a list grid: the top row moves by 3 rows (9 with
/// Ctrl) towards the end (Down) or the start, never past the last full
/// page or above the first data row. The current row stays.
void ScrollGridByWheel(TCustomGrid& Grid, bool Down, TShiftState Shift);
