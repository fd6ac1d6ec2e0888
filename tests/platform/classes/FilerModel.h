#pragma once

// Components with a property of every streamed kind, shared by the
// streaming tests and the stream-reader fuzz target. Register() makes the
// classes known to the class registry (children are created by name).

#include "platform/classes/Collection.h"
#include "platform/classes/Component.h"
#include "platform/classes/Filer.h"
#include "platform/classes/Streams.h"
#include "platform/classes/Strings.h"
#include "platform/classes/TypInfo.h"

#include <memory>
#include <vector>

namespace filer_model {

enum TTone { toPlain, toBold, toFaint };
using TTones = EnumSet<TTone>;


inline PTypeInfo TypeInfoOf(const TTone*)
{
    static const TTypeInfo Info = EnumTypeInfo("TTone", {"toPlain", "toBold", "toFaint"});
    return &Info;
}

inline PTypeInfo TypeInfoOf(const TTones*)
{
    static const TTypeInfo Info = SetTypeInfo("TTones", TypeInfo<TTone>());
    return &Info;
}



/// A nested persistent, written as "Font.Size" and "Font.Face".
class TSampleFont : public TPersistent {
    PRICETAGS_CLASS(TSampleFont, TPersistent)
public:
    Integer FSize = 8;
    AnsiString FFace = "Arial";
};

class TSampleItem : public TCollectionItem {
    PRICETAGS_CLASS(TSampleItem, TCollectionItem)
public:
    explicit TSampleItem(TCollection* Collection) : TCollectionItem(Collection) {}
    AnsiString FCaption;
    Integer FWidth = 50;
};

/// Every kind of property, and a binary defined property "Blob".
class TSample : public TComponent {
    PRICETAGS_CLASS(TSample, TComponent)
public:
    explicit TSample(TComponent* AOwner);
    ~TSample() override;
    void Loaded() override;

    Integer FCount = 0;
    bool FActive = false;
    TTone FTone = toPlain;
    TTones FTones;
    char FLetter = 'a';
    Int64 FBig = 0;
    double FRatio = 0;
    float FShort = 0;
    Currency FPrice;
    TDateTime FStamp;
    AnsiString FCaption;
    TSampleFont* FFont;
    TCollection* FItems;
    TStringList* FLines;
    TComponent* FBuddy = nullptr;
    TNotifyEvent FOnClick;
    std::vector<uint8_t> FBlob;
    int FLoadedCount = 0;

    TSampleFont* Font() const { return FFont; }
    TCollection* Items() const { return FItems; }
    TStringList* Lines() const { return FLines; }

protected:
    void DefineProperties(TFiler* Filer) override;

private:
    void ReadBlob(TStream* Stream);
    void WriteBlob(TStream* Stream);
};

inline PRICETAGS_DEFINE_CLASS(TSampleFont,
    Property("Size", &TSampleFont::FSize, &TSampleFont::FSize).WithDefault(8),
    Property("Face", &TSampleFont::FFace, &TSampleFont::FFace))

inline PRICETAGS_DEFINE_CLASS(TSampleItem,
    Property("Caption", &TSampleItem::FCaption, &TSampleItem::FCaption),
    Property("Width", &TSampleItem::FWidth, &TSampleItem::FWidth).WithDefault(50))

inline PRICETAGS_DEFINE_CLASS(TSample,
    Property("Count", &TSample::FCount, &TSample::FCount).WithDefault(0),
    Property("Active", &TSample::FActive, &TSample::FActive).WithDefault(false),
    Property("Tone", &TSample::FTone, &TSample::FTone).WithDefault(toPlain),
    Property("Tones", &TSample::FTones, &TSample::FTones).WithDefault(0),
    Property("Letter", &TSample::FLetter, &TSample::FLetter).WithDefault('a'),
    Property("Big", &TSample::FBig, &TSample::FBig),
    Property("Ratio", &TSample::FRatio, &TSample::FRatio),
    Property("Short", &TSample::FShort, &TSample::FShort),
    Property("Price", &TSample::FPrice, &TSample::FPrice),
    Property("Stamp", &TSample::FStamp, &TSample::FStamp),
    Property("Caption", &TSample::FCaption, &TSample::FCaption),
    Property("Font", &TSample::Font),
    Property("Items", &TSample::Items),
    Property("Lines", &TSample::Lines),
    Property("Buddy", &TSample::FBuddy, &TSample::FBuddy),
    Property("OnClick", &TSample::FOnClick, &TSample::FOnClick))

inline TSample::TSample(TComponent* AOwner)
    : TComponent(AOwner), FFont(new TSampleFont), FItems(new TCollection(ClassOf<TSampleItem>())),
      FLines(new TStringList)
{
}

inline TSample::~TSample()
{
    delete FLines;
    delete FItems;
    delete FFont;
}

inline void TSample::Loaded()
{
    inherited::Loaded();
    ++FLoadedCount;
}

inline void TSample::DefineProperties(TFiler* Filer)
{
    inherited::DefineProperties(Filer);
    Filer->DefineBinaryProperty("Blob", TStreamProc(this, &TSample::ReadBlob),
                                TStreamProc(this, &TSample::WriteBlob), !FBlob.empty());
}

inline void TSample::ReadBlob(TStream* Stream)
{
    FBlob.resize(static_cast<size_t>(Stream->Size()));
    if (!FBlob.empty())
        Stream->ReadBuffer(FBlob.data(), static_cast<int>(FBlob.size()));
}

inline void TSample::WriteBlob(TStream* Stream)
{
    Stream->WriteBuffer(FBlob.data(), static_cast<int>(FBlob.size()));
}

inline void Register()
{
    RegisterClasses({ClassOf<TSample>(), ClassOf<TComponent>()});
}

} // namespace filer_model
