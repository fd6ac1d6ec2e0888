#pragma once

// TVarForm ("Переменные"): the variable picker of the text editor. It
// shows the document's Variables list as a tree of sections and variables
// and gives back the chosen variable's name. One picker window serves the
// whole run; its tree is built from the list it was last shown with.
//
// The Variables text, one line each:
//   Section title                      a line starting with neither a tab,
//                                      a blank nor ";"
//   <indent>NAME                       a variable of the section above
//   <indent>NAME | description
//   <indent>NAME | description | help
//   <indent>! more help, <indent>- more help
//                                      further help of the variable above
//   ; comment, <indent>; comment
// Variables before the first section are not shown.

#include "platform/forms/Forms.h"
#include "platform/rtl/AnsiString.h"

#include <vector>

class TDocument;
class TImageList;
class TLabel;
class TPanel;
class TStrings;
class TTreeNode;
class TTreeView;

/// One variable line: its name, the text the tree shows, its help text
/// and further help lines, and its 0-based line in the list.
struct VarEntry {
    AnsiString Name;
    AnsiString Description;
    AnsiString Help;
    std::vector<AnsiString> MoreHelp;
    int Line = 0;
};
/// A section line with the variables under it.
struct VarSection {
    AnsiString Title;
    int Line = 0;
    std::vector<VarEntry> Vars;
};

/// The sections of a Variables list (format above).
[[nodiscard]] std::vector<VarSection> ParseVariables(TStrings* Lines);
/// What the help line shows for a variable: "[NAME]", with ":  " and the
/// help text when there is one, then each further help line on a line of
/// its own.
[[nodiscard]] AnsiString VariableHelp(const VarEntry& Entry);

/// Lets the operator choose a variable of Document's Variables (an empty
/// list is said so first, then the picker opens all the same). The chosen
/// name in square brackets, or '' when none was chosen.
[[nodiscard]] AnsiString SelectVariable(TDocument* Document);

class TVarForm : public TForm {
    PRICETAGS_CLASS(TVarForm, TForm)
public:
    explicit TVarForm(TComponent* AOwner);
    ~TVarForm() override;

    /// The picker kept for the run (null until the first use and after it
    /// was freed).
    [[nodiscard]] static TVarForm* Kept();

    /// Builds the tree from Document's list unless it was built from the
    /// same lines already.
    void FillTree();
    /// The selected node's help into lbHelp; the panel and the window grow
    /// to fit it.
    void tvChange(TObject* Sender, TTreeNode* Node);
    void tvDblClick(TObject* Sender);
    void FormKeyDown(TObject* Sender, Word& Key, TShiftState Shift);
    void FormShow(TObject* Sender);
    void FormClose(TObject* Sender, TCloseAction& Action);

    /// True until the tree has been built.
    bool FirstShow = true;
    /// The chosen variable's name after an OK close; '' otherwise.
    AnsiString VarName;
    /// The help label's height at creation: the panel never gets lower.
    int MinHelpHeight = 0;
    /// The document whose list is shown (not owned).
    TDocument* Document = nullptr;

    TTreeView* tv;
    TImageList* ITvp;
    TPanel* pnHelp;
    TLabel* lbHelp;

private:
    /// The variable of a node; null for a section node.
    [[nodiscard]] const VarEntry* EntryOf(TTreeNode* Node) const;
    void BuildImages();

    std::vector<VarSection> FSections;
    /// The list the tree was built from.
    AnsiString FBuiltFrom;
};
