#pragma once

// What the tests of the designer's dialogs share: modal dialogs answered by
// their class (each showing once per call; a dialog the answer leaves open
// is cancelled), the program's messages recorded and answered, and PNG
// renders for a look (under PRICETAGS_PNG_DIR, else /tmp/pricetags-reports).

#include "common/reports/RP_EditorForm.h"
#include "common/reports/RP_GEditorForm.h"
#include "common/reports/RP_OptForm.h"
#include "common/reports/RP_VarForm.h"

#include "common/components/MsgWin.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Graphics.h"
#include "platform/forms/InputSimulation.h"

#include "tests/common/base/NoLogScope.h"
#include "tests/support/TestSupport.h"

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace design_test {

struct DialogAnswers {
    std::function<void(TOptForm&)> Opt;
    std::function<void(TEditorForm&)> Editor;
    std::function<void(TGEditorForm&)> Picture;
    std::function<void(TVarForm&)> Var;
    /// Error windows and questions of the program, as "title|text".
    std::vector<std::string> Messages;
    /// Platform message boxes, by text.
    std::vector<std::string> Boxes;

    DialogAnswers()
        : FHook([this](TCustomForm& F) { Answer(F); }),
          FMsg([this](const MsgRequest& R) {
              Messages.push_back(R.Title.ToUtf8() + "|" + R.Text.ToUtf8());
              return R.DefaultButton;
          }),
          FBox([this](const AnsiString& Text, const AnsiString&, UINT) {
              Boxes.push_back(Text.ToUtf8());
              return IDOK;
          })
    {
    }

private:
    template <class T>
    static bool Try(TCustomForm& F, const std::function<void(T&)>& Fn)
    {
        auto* Form = dynamic_cast<T*>(&F);
        if (!Form)
            return false;
        if (Fn)
            Fn(*Form);
        return true;
    }
    void Answer(TCustomForm& F)
    {
        Application->ProcessMessages();
        (void)(Try(F, Opt) || Try(F, Editor) || Try(F, Picture) || Try(F, Var));
        if (F.ModalResult() == mrNone)
            F.SetModalResult(mrCancel);
    }

    NoLogScope FNoLog;
    ModalHookScope FHook;
    MsgAnswerHookScope FMsg;
    MessageBoxHookScope FBox;
};

/// Writes a window's render as <Name>.png for a look.
inline void KeepPng(TWinControl* Control, const std::string& Name)
{
    Application->ProcessMessages();
    TBitmap Shot;
    GrabWindow(Control, &Shot);
    const char* Dir = std::getenv("PRICETAGS_PNG_DIR");
    const std::filesystem::path Folder = Dir ? Dir : "/tmp/pricetags-reports";
    std::filesystem::create_directories(Folder);
    WriteBytes(Folder / (Name + ".png"), Shot.SaveToPngBytes());
}

inline std::string U(const AnsiString& S)
{
    return S.ToUtf8();
}

}  // namespace design_test
