#pragma once

// What the settings dialog's tests share: the ini file's text as it stands
// on disk, and one modal hook that answers the dialog, the list editor it
// opens and the value prompt the editor opens, each as it comes.

#include "app/SprList.h"
#include "app/VelkorCFG.h"
#include "common/base/Funcs.h"
#include "common/components/GetMean.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"

#include <fstream>
#include <functional>
#include <sstream>
#include <string>

namespace app_test {

/// The program ini on disk, in UTF-8.
inline std::string IniOnDisk()
{
    std::ifstream In(GetAppIniName().ToUtf8(), std::ios::binary);
    std::stringstream S;
    S << In.rdbuf();
    return AnsiString(S.str()).ToUtf8();
}

/// A hook for ModalHookScope: the dialog goes to OnDialog; an editor it
/// opens is shown to OnEditor, gets the keyword Keyword added and is
/// confirmed. Any other window is cancelled.
inline ModalHook KeywordAnswers(const char* Keyword, std::function<void(TFormCFG&)> OnDialog,
                                std::function<void(TFormSprList&)> OnEditor = nullptr)
{
    return [=](TCustomForm& Form) {
        if (auto* G = dynamic_cast<TFormGet*>(&Form)) {
            G->ed->SetText(AnsiString::FromUtf8(Keyword));
            G->btOk->Click();
            return;
        }
        if (auto* E = dynamic_cast<TFormSprList*>(&Form)) {
            if (OnEditor)
                OnEditor(*E);
            E->AddItem();
            E->OkCommand();
            return;
        }
        if (auto* F = dynamic_cast<TFormCFG*>(&Form)) {
            OnDialog(*F);
            return;
        }
        Form.SetModalResult(mrCancel);
    };
}

} // namespace app_test
