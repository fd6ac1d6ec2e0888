// Speed of the settings dialog and the reference-list editor: the dialog
// opened and painted (goal 50 ms), and the list editor over a 10 000-item
// list opened, sorted by its text column and painted (goal 50 ms). Each
// iteration runs the whole modal show, the dialog answered by a hook.

#include "app/Globals.h"
#include "app/SprList.h"
#include "app/VelkorCFG.h"
#include "bench/support/BenchWindows.h"
#include "common/base/BaseLst.h"
#include "common/base/Funcs.h"
#include "common/components/MsgWin.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Graphics.h"
#include "platform/forms/InputSimulation.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Numbers.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <random>

namespace {

/// The window layer and a start-up folder of the benchmark's own.
class SettingsBench {
public:
    SettingsBench()
        : FSettings(RussianFormatSettings()),
          FAnswers([](const MsgRequest& R) { return R.DefaultButton; })
    {
        StartBenchWindows();
        const auto Dir = std::filesystem::temp_directory_path() / "pricetags-settings-bench";
        std::filesystem::create_directories(Dir / "TXT");
        SetAppLocation(AnsiString::FromUtf8(Dir.string() + "/"), "pricetags");
        FCfg = std::make_unique<TCfgObject>();
        gTxtPath = GetStartDir() + "TXT/";
    }

private:
    FormatSettingsScope FSettings;
    MsgAnswerHookScope FAnswers;
    std::unique_ptr<TCfgObject> FCfg;
};

void EnsureSetup()
{
    static SettingsBench Bench;
}

/// 10 000 items with texts in no order (fixed seed), Ids 1 .. 10 000.
std::unique_ptr<T_BaseStrList> BigList()
{
    auto List = std::make_unique<T_BaseStrList>();
    List->Name = "Bench";
    std::mt19937 Random(20261211);
    for (Integer I = 1; I <= 10000; ++I) {
        T_BaseStrItem* Item = List->NewItem();
        Item->Id = I;
        Item->SetText("Поставщик "_a + IntToStr(static_cast<Integer>(Random() % 1000000)));
    }
    return List;
}

void BM_SettingsDialogOpenAndPaint(benchmark::State& State)
{
    EnsureSetup();
    int Painted = 0;
    const ModalHookScope Hook([&](TCustomForm& Form) {
        Form.Repaint();
        Application->ProcessMessages();
        ++Painted;
        Form.SetModalResult(mrCancel);
    });
    for (auto _ : State)
        ShowCfg("");
    if (Painted != static_cast<int>(State.iterations()))
        State.SkipWithError("the dialog was not shown every time");
}
BENCHMARK(BM_SettingsDialogOpenAndPaint)->Unit(benchmark::kMillisecond);

void BM_ListEditorOpenSortPaint(benchmark::State& State)
{
    EnsureSetup();
    auto List = BigList();
    Integer Selected = 0;
    const ModalHookScope Hook([&](TCustomForm& Form) {
        auto& F = static_cast<TFormSprList&>(Form);
        F.SortByColumn(1);
        F.Repaint();
        F.lvs->Repaint();
        Application->ProcessMessages();
        Selected = F.CurrentItem()->Id;
        F.SetModalResult(mrCancel);
    });
    for (auto _ : State) {
        TSprListConfig Config;
        InitSprListConfig(Config);
        Config.List = List.get();
        Config.SelectedId = 5000;
        ExecSprList(Config);
    }
    // The sort kept the selected item.
    if (Selected != 5000 || List->Count() != 10000)
        State.SkipWithError("the editor lost the selected item");
}
BENCHMARK(BM_ListEditorOpenSortPaint)->Unit(benchmark::kMillisecond);

} // namespace
