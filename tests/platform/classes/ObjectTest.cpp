#include "platform/classes/Object.h"

#include "platform/classes/Collection.h"
#include "platform/classes/Component.h"
#include "platform/classes/Events.h"
#include "platform/classes/Lists.h"
#include "platform/rtl/Exceptions.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

/// Abstract: cannot be created through its class.
class TShape : public TObject {
    PRICETAGS_CLASS(TShape, TObject)
public:
    virtual int Corners() const = 0;
};

class TSquare : public TShape {
    PRICETAGS_CLASS(TSquare, TShape)
public:
    int Corners() const override { return 4; }
};

/// Declares no metaclass of its own: it answers with its parent's.
class TPlainSquare : public TSquare {};

class TPart : public TComponent {
    PRICETAGS_CLASS(TPart, TComponent)
public:
    explicit TPart(TComponent* AOwner) : TComponent(AOwner) { Made = true; }
    bool Made = false;
};

PRICETAGS_DEFINE_CLASS(TShape)

PRICETAGS_DEFINE_CLASS(TSquare)

PRICETAGS_DEFINE_CLASS(TPart)

TEST(Object, ClassNamesAndAncestry)
{
    TSquare Square;
    TPlainSquare Plain;
    EXPECT_EQ(Square.ClassName(), "TSquare");
    EXPECT_EQ(Square.ClassType(), TSquare::StaticClass());
    EXPECT_EQ(Square.ClassParent(), TShape::StaticClass());
    EXPECT_EQ(TShape::StaticClass()->ClassParent(), TObject::StaticClass());
    EXPECT_EQ(TObject::StaticClass()->ClassParent(), nullptr);
    EXPECT_TRUE(Square.InheritsFrom(TObject::StaticClass()));
    EXPECT_TRUE(Square.InheritsFrom(TSquare::StaticClass()));
    EXPECT_FALSE(Square.InheritsFrom(TComponent::StaticClass()));
    EXPECT_FALSE(TShape::StaticClass()->InheritsFrom(TSquare::StaticClass()));
    EXPECT_FALSE(TSquare::StaticClass()->InheritsFrom(nullptr));
    EXPECT_EQ(Plain.ClassName(), "TSquare");
    EXPECT_EQ(ClassOf<TList>()->ClassName(), "TList");
}

TEST(Object, VirtualConstructorsMakeTheActualClass)
{
    const TClass ShapeClass = TSquare::StaticClass();
    std::unique_ptr<TObject> Made(ShapeClass->Create());
    ASSERT_NE(dynamic_cast<TSquare*>(Made.get()), nullptr);
    EXPECT_EQ(dynamic_cast<TSquare*>(Made.get())->Corners(), 4);

    TComponent Owner(nullptr);
    const TComponentClass PartClass = TPart::StaticClass();
    TComponent* Part = PartClass.Create(&Owner);  // owned: freed with Owner
    EXPECT_EQ(Part->ClassName(), "TPart");
    EXPECT_TRUE(static_cast<TPart*>(Part)->Made);
    EXPECT_EQ(Part->Owner(), &Owner);
    EXPECT_EQ(Owner.ComponentCount(), 1);
}

TEST(Object, AbstractClassesCannotBeCreated)
{
    ExpectRaises<EInvalidOperation>([] { delete TShape::StaticClass()->Create(); },
                                    "Cannot create an object of class TShape");
    // A component class has no constructor without an owner.
    ExpectRaises<EInvalidOperation>([] { delete TPart::StaticClass()->Create(); },
                                    "Cannot create an object of class TPart");
}

TEST(Object, ClassRegistry)
{
    RegisterClasses({TSquare::StaticClass(), TPart::StaticClass()});
    RegisterClass(TSquare::StaticClass());  // twice is harmless
    EXPECT_EQ(GetClass("tsquare"), TSquare::StaticClass());
    EXPECT_EQ(FindClass("TPart"), TPart::StaticClass());
    EXPECT_EQ(GetClass("TCircle"), nullptr);
    ExpectRaises<EClassNotFound>([] { (void)FindClass("TCircle"); }, "Class TCircle not found");
    // A handler of the streaming system's errors catches it as one of them.
    ExpectRaises<EFilerError>([] { (void)FindClass("TCircle"); }, "Class TCircle not found");
    UnRegisterClass(TPart::StaticClass());
    EXPECT_EQ(GetClass("TPart"), nullptr);
    UnRegisterClass(TSquare::StaticClass());
}

TEST(Object, AnotherClassUnderATakenNameIsRefused)
{
    static const MetaClass Impostor("TSquare", TObject::StaticClass(), {});
    RegisterClass(TSquare::StaticClass());
    ExpectRaises<EFilerError>([] { RegisterClass(&Impostor); },
                              "A class named TSquare already exists");
    UnRegisterClass(TSquare::StaticClass());
}

TEST(Object, FreeAndNilClearsThePointer)
{
    TSquare* Square = new TSquare;
    FreeAndNil(Square);
    EXPECT_EQ(Square, nullptr);
}

// ---- method pointers -------------------------------------------------------

class TListener : public TObject {
public:
    void Changed(TObject* Sender) { Calls.push_back(Sender); }
    void Other(TObject*) {}
    int Twice(int V) { return 2 * V; }
    std::vector<TObject*> Calls;
};

class TDerivedListener : public TListener {};

int Triple(int V)
{
    return 3 * V;
}

TEST(Events, CallTheMethodOfTheObject)
{
    TListener L;
    TSquare Sender;
    TNotifyEvent E(&L, &TListener::Changed);
    ASSERT_TRUE(E.Assigned());
    E(&Sender);
    ASSERT_EQ(L.Calls.size(), 1u);
    EXPECT_EQ(L.Calls[0], &Sender);
    EXPECT_EQ(E.Data(), &L);

    MethodPointer<int(int)> Doubler(&L, &TListener::Twice);
    EXPECT_EQ(Doubler(21), 42);
    MethodPointer<int(int)> Plain(&Triple);
    EXPECT_EQ(Plain(5), 15);
}

TEST(Events, UnassignedIsANoOp)
{
    TNotifyEvent E;
    EXPECT_FALSE(Assigned(E));
    EXPECT_NO_THROW(E(nullptr));
    MethodPointer<int(int)> F = nullptr;
    EXPECT_EQ(F(7), 0);
    TListener* Nobody = nullptr;
    EXPECT_FALSE(TNotifyEvent(Nobody, &TListener::Changed).Assigned());
}

TEST(Events, EqualWhenObjectAndMethodAreEqual)
{
    TListener A;
    TListener B;
    TDerivedListener D;
    const TNotifyEvent AChanged(&A, &TListener::Changed);
    EXPECT_EQ(AChanged, TNotifyEvent(&A, &TListener::Changed));
    EXPECT_NE(AChanged, TNotifyEvent(&B, &TListener::Changed));   // other object
    EXPECT_NE(AChanged, TNotifyEvent(&A, &TListener::Other));     // other method
    EXPECT_NE(AChanged, TNotifyEvent());
    EXPECT_EQ(TNotifyEvent(), TNotifyEvent(nullptr));
    // Taken through a derived pointer, the same method of the same object.
    TListener* Base = &D;
    EXPECT_EQ(TNotifyEvent(&D, &TDerivedListener::Changed), TNotifyEvent(Base, &TListener::Changed));
}

TEST(Events, RoundTripThroughTheTypeErasedForm)
{
    TListener L;
    const TMethod M = TNotifyEvent(&L, &TListener::Changed);
    EXPECT_EQ(*M.Signature(), TNotifyEvent::SignatureType());
    const TNotifyEvent Back = TNotifyEvent::FromMethod(M);
    Back(nullptr);
    EXPECT_EQ(L.Calls.size(), 1u);
    EXPECT_EQ(Back, TNotifyEvent(&L, &TListener::Changed));
}

}  // namespace
