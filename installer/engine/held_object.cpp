#include "engine/held_object.h"

#include "client/client_objects.h"
#include "win32/com_ptr.h"

namespace {

ComPtr<IUnknown> heldObject;

} // namespace

void holdObject(const char* classText)
{
    // Failures leave nothing held and report nothing.
    createClientObject(classText, IID_IUnknown, heldObject.putVoid());
}

bool holdsObject()
{
    return static_cast<bool>(heldObject);
}

void releaseHeldObject()
{
    heldObject.reset();
}
