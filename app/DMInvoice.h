#pragma once

// TDM: the program's shared pictures. iInsDel holds the tool-bar icons of
// the list windows (insert, delete, edit, ok, cancel, move, by index
// DMInsert..DMMove). One instance lives from start-up to the end (DM).

#include "platform/classes/Component.h"
#include "platform/forms/ImgList.h"

/// Indexes of the pictures of TDM::iInsDel.
enum : int { DMInsert = 0, DMDelete = 1, DMEdit = 2, DMOk = 3, DMCancel = 4, DMMove = 5 };

class TDM : public TComponent {
    PRICETAGS_CLASS(TDM, TComponent)
public:
    explicit TDM(TComponent* AOwner);
    ~TDM() override;

    TImageList* iInsDel;
};

/// The data module; null outside the program's run. Owned by the application.
extern TDM* DM;
