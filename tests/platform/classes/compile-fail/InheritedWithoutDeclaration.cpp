// Must not compile: TChild forgets its class declaration, so `inherited`
// would name TBase's parent and skip TBase::Loaded.

#include "platform/classes/Component.h"

class TBase : public TComponent {
    PRICETAGS_CLASS(TBase, TComponent)
public:
    using TComponent::TComponent;
    void Loaded() override { inherited::Loaded(); }
};

class TChild : public TBase {
public:
    using TBase::TBase;
    void Loaded() override { inherited::Loaded(); }
};
