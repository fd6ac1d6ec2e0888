#include "platform/classes/Persistent.h"

#include "platform/rtl/Exceptions.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class TColorBox : public TPersistent {
    PRICETAGS_CLASS(TColorBox, TPersistent)
public:
    int Color = 0;
    void Assign(TPersistent* Source) override
    {
        if (auto* Box = dynamic_cast<TColorBox*>(Source)) {
            Color = Box->Color;
            return;
        }
        inherited::Assign(Source);
    }
};

/// Knows how to copy itself into a TColorBox (the AssignTo side).
class TPaint : public TPersistent {
    PRICETAGS_CLASS(TPaint, TPersistent)
public:
    explicit TPaint(TPersistent* Owner = nullptr) : FOwner(Owner) {}
    int Value = 0;

protected:
    void AssignTo(TPersistent* Dest) override
    {
        if (auto* Box = dynamic_cast<TColorBox*>(Dest)) {
            Box->Color = Value;
            return;
        }
        inherited::AssignTo(Dest);
    }
    TPersistent* GetOwner() override { return FOwner; }
    void DefineProperties(TFiler* Filer) override
    {
        inherited::DefineProperties(Filer);
        Filer->DefineProperty("StrData", nullptr, nullptr, Value != 0);
        Filer->DefineBinaryProperty("Blob", nullptr, nullptr, false);
    }

private:
    TPersistent* FOwner;
};

PRICETAGS_DEFINE_CLASS(TColorBox)

PRICETAGS_DEFINE_CLASS(TPaint)

/// Records the defined properties and whether each has data.
class RecordingFiler : public TFiler {
public:
    void DefineProperty(const AnsiString& Name, TReaderProc, TWriterProc, bool HasData) override
    {
        Seen.push_back(Name.Std() + (HasData ? "+" : "-"));
    }
    void DefineBinaryProperty(const AnsiString& Name, TStreamProc, TStreamProc,
                              bool HasData) override
    {
        Seen.push_back("bin " + Name.Std() + (HasData ? "+" : "-"));
    }
    std::vector<std::string> Seen;
};

TEST(TPersistent, AssignUsesEitherSide)
{
    TColorBox A;
    TColorBox B;
    B.Color = 5;
    A.Assign(&B);
    EXPECT_EQ(A.Color, 5);
    TPaint P;
    P.Value = 9;
    A.Assign(&P);  // TColorBox does not know TPaint, TPaint knows TColorBox
    EXPECT_EQ(A.Color, 9);
}

TEST(TPersistent, AssignErrorsNameBothClasses)
{
    TPaint P;
    TColorBox Box;
    ExpectRaises<EConvertError>([&] { P.Assign(&Box); }, "Cannot assign a TColorBox to a TPaint");
    ExpectRaises<EConvertError>([&] { P.Assign(nullptr); }, "Cannot assign a nil to a TPaint");
}

TEST(TPersistent, NamePathFollowsTheOwner)
{
    TColorBox Owner;
    TPaint P(&Owner);
    EXPECT_EQ(P.GetNamePath(), "TColorBox.TPaint");
    TPaint Alone;
    EXPECT_EQ(Alone.GetNamePath(), "TPaint");
}

TEST(TPersistent, DefinePropertiesReachesTheFiler)
{
    TPaint P;
    RecordingFiler Filer;
    TFiler::CallDefineProperties(&P, &Filer);
    EXPECT_EQ(Filer.Seen, (std::vector<std::string>{"StrData-", "bin Blob-"}));
    P.Value = 1;
    Filer.Seen.clear();
    TFiler::CallDefineProperties(&P, &Filer);
    EXPECT_EQ(Filer.Seen[0], "StrData+");
}

}  // namespace
