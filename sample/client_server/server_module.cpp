#include "server_module.h"

#include "class_factory.h"
#include "app_object.h"
#include "conf_object.h"
#include "sample_class_ids.h"

#include "journal.h"

#include <objbase.h>

#include <new>

namespace {

HMODULE moduleHandle = nullptr;
LONG liveObjects = 0;
LONG serverLocks = 0;

} // namespace

HMODULE serverModule()
{
    return moduleHandle;
}

void objectCreated()
{
    InterlockedIncrement(&liveObjects);
}

void objectDestroyed()
{
    InterlockedDecrement(&liveObjects);
}

void serverLocked(bool lock)
{
    if (lock)
        InterlockedIncrement(&serverLocks);
    else
        InterlockedDecrement(&serverLocks);
}

void serverJournal(const char* const* words, int count)
{
    journalLine(moduleHandle, words, count);
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        moduleHandle = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID classId, REFIID wanted, void** object)
{
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    ObjectCreator creator = nullptr;
    if (IsEqualCLSID(classId, CLSID_SampleClientConf))
        creator = createConfigurationObject;
    else if (IsEqualCLSID(classId, CLSID_SampleClient))
        creator = createApplicationObject;
    else
        return CLASS_E_CLASSNOTAVAILABLE;
    ClassFactory* factory = new (std::nothrow) ClassFactory(creator);
    if (factory == nullptr)
        return E_OUTOFMEMORY;
    HRESULT result = factory->QueryInterface(wanted, object);
    factory->Release();
    return result;
}

STDAPI DllCanUnloadNow()
{
    return liveObjects == 0 && serverLocks == 0 ? S_OK : S_FALSE;
}
