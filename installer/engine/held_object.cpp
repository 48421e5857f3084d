#include "engine/held_object.h"

#include "core/install_state.h"

void holdObject(const char*) {}

void releaseHeldObject()
{
    if (installState.holderObject != nullptr)
        installState.holderObject->Release();
    installState.holderObject = nullptr;
}
