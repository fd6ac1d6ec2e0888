#pragma once

// What the report tests share: text metrics that need no fonts (recording
// every piece drawn), and a host that answers variables and data rows and
// logs the document's events in order.

#include "common/reports/RP_Document.h"
#include "common/reports/RP_View.h"

#include "platform/classes/Strings.h"
#include "platform/forms/Graphics.h"
#include "platform/rtl/Numbers.h"

#include <map>
#include <string>
#include <vector>

namespace rpt {

/// One text stretch drawn: its text, box and font.
struct Drawn {
    std::string Text;
    /// The output page being drawn (when the device watches a document).
    int Page = 0;
    TRect Box;
    int Size = 0;
    bool Bold = false;
    TColor Color = 0;
    std::string Face;
    int Orientation = 0;
};

/// Fixed metrics: pixel height h = MulDiv(points, 96, 72), advance h div 2
/// per character (+1 bold), full height h + 2, ascent h, internal leading 2,
/// external leading 1. Installed for its lifetime.
class FixedTextDevice final : public ViewTextDevice {
public:
    FixedTextDevice() { InstallViewTextDevice(this); }
    ~FixedTextDevice() override { InstallViewTextDevice(nullptr); }
    FixedTextDevice(const FixedTextDevice&) = delete;
    FixedTextDevice& operator=(const FixedTextDevice&) = delete;

    TextPieceMetrics Measure(TCanvas* Canvas, const AnsiString& Text) override
    {
        const TFont* F = Canvas->Font();
        const int H = MulDiv(F->Size(), 96, 72);
        const int Advance = H / 2 + (F->Style().Contains(fsBold) ? 1 : 0);
        return {Text.Length() * Advance, H + 2, H, 2, 1};
    }
    void DrawText(TCanvas* Canvas, const TRect& Box, const AnsiString& Text) override
    {
        Add(Canvas, Box, Text);
    }
    void DrawTextAt(TCanvas* Canvas, int X, int Y, const TRect& Clip,
                    const AnsiString& Text) override
    {
        (void)Clip;
        Add(Canvas, Rect(X, Y, X, Y), Text);
    }

    /// The texts drawn, in order, as UTF-8.
    std::vector<std::string> Texts() const
    {
        std::vector<std::string> Result;
        for (const Drawn& D : Draws)
            Result.push_back(D.Text);
        return Result;
    }

    std::vector<Drawn> Draws;
    /// The document whose output page number is recorded with each draw.
    const TDocument* Watched = nullptr;

private:
    void Add(TCanvas* Canvas, const TRect& Box, const AnsiString& Text)
    {
        const TFont* F = Canvas->Font();
        Draws.push_back({Text.ToUtf8(), Watched ? Watched->PageNo : 0, Box, F->Size(),
                         F->Style().Contains(fsBold), F->Color(),
                         F->Name().ToUtf8(), F->Orientation()});
    }
};

/// Answers variables from a map and data rows from counts per band, and
/// logs the events.
class ReportHost {
public:
    explicit ReportHost(TDocument& Doc)
    {
        Doc.OnGetValue = TDetailEvent(this, &ReportHost::GetValue);
        Doc.OnNeedData = TNeedDataEvent(this, &ReportHost::NeedData);
        Doc.OnBeginDoc = TBeginDocEvent(this, &ReportHost::BeginDoc);
        Doc.OnEndDoc = TEndDocEvent(this, &ReportHost::EndDoc);
        Doc.OnBeginPage = TBeginPageEvent(this, &ReportHost::BeginPage);
        Doc.OnEndPage = TEndPageEvent(this, &ReportHost::EndPage);
        Doc.OnProgress = TProgressEvent(this, &ReportHost::Progress);
    }

    void GetValue(TObject*, TBandType, const AnsiString& ParName, AnsiString& ParValue)
    {
        Asked.push_back(ParName.ToUtf8());
        const auto It = Values.find(ParName.ToUtf8());
        if (It != Values.end())
            ParValue = AnsiString::FromUtf8(It->second);
    }
    void NeedData(TObject*, TBandType b, bool& NeedMore)
    {
        Log.push_back("NeedData " + std::to_string(int(b)));
        int& Left = Rows[int(b)];
        NeedMore = Forever || Left > 0;
        if (Left > 0)
            --Left;
        // Detail rows start again for every master row.
        if (NeedMore && b == btMasterData)
            Rows[int(btDetailData)] = DetailPerMaster;
    }
    void BeginDoc(TObject*) { Log.push_back("BeginDoc"); }
    void EndDoc(TObject*) { Log.push_back("EndDoc"); }
    void BeginPage(TObject*, int pg, TStringList*, TStringList*, TStringList*)
    {
        Log.push_back("BeginPage " + std::to_string(pg));
    }
    void EndPage(TObject*, int pg) { Log.push_back("EndPage " + std::to_string(pg)); }
    void Progress(TObject*, int n) { Log.push_back("Progress " + std::to_string(n)); }

    std::map<std::string, std::string> Values;
    std::vector<std::string> Asked;
    std::map<int, int> Rows;
    int DetailPerMaster = 0;
    bool Forever = false;
    std::vector<std::string> Log;
};

}  // namespace rpt
