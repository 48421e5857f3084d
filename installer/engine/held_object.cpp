#include "engine/held_object.h"

#include "client/client_objects.h"
#include "core/install_state.h"

void holdObject(const char* classText)
{
    releaseHeldObject();
    IUnknown* object = nullptr;
    // Failures leave nothing held and report nothing.
    createClientObject(classText, IID_IUnknown, reinterpret_cast<void**>(&object));
    installState.holderObject = object;
}

void releaseHeldObject()
{
    if (installState.holderObject != nullptr)
        installState.holderObject->Release();
    installState.holderObject = nullptr;
}
