// Self-registration of the sample server: both classes under HKEY_CLASSES_ROOT,
// each with its ProgID, served in-process from this DLL's own path.

#include "sample_class_ids.h"
#include "server_module.h"

#include "common/bounded_copy.h"
#include "sample_names.h"
#include "win32/reg_key.h"

#include <objbase.h>
#include <olectl.h>

namespace {

struct ClassEntry {
    const CLSID* classId;
    const char* progId;
    const char* description;
};

const ClassEntry classes[] = {
    { &CLSID_SampleClientConf, "Zorv.Client.Conf", "ZORV Client V3 configuration (sample)" },
    { &CLSID_SampleClient, "Zorv.Client", "ZORV Client V3 application (sample)" },
};

enum { classIdTextCapacity = 40 };

bool classIdText(const CLSID& classId, char (&text)[classIdTextCapacity])
{
    WCHAR wide[classIdTextCapacity];
    if (StringFromGUID2(classId, wide, classIdTextCapacity) == 0)
        return false;
    return WideCharToMultiByte(CP_ACP, 0, wide, -1, text, classIdTextCapacity, nullptr, nullptr) > 0;
}

bool writeKey(const char* path, const char* name, const char* value)
{
    RegKey key;
    return key.create(HKEY_CLASSES_ROOT, path) && key.writeString(name, value);
}

bool registerClass(const ClassEntry& entry, const char* modulePath)
{
    char idText[classIdTextCapacity];
    if (!classIdText(*entry.classId, idText))
        return false;
    char classKey[samplePathCapacity];
    char serverKey[samplePathCapacity];
    char progIdKey[samplePathCapacity];
    char progIdClassKey[samplePathCapacity];
    bool fitted = copyBounded(classKey, sizeof classKey, "CLSID\\") && appendBounded(classKey, sizeof classKey, idText)
        && copyBounded(serverKey, sizeof serverKey, classKey)
        && appendBounded(serverKey, sizeof serverKey, "\\InprocServer32")
        && copyBounded(progIdKey, sizeof progIdKey, classKey) && appendBounded(progIdKey, sizeof progIdKey, "\\ProgID")
        && copyBounded(progIdClassKey, sizeof progIdClassKey, entry.progId)
        && appendBounded(progIdClassKey, sizeof progIdClassKey, "\\CLSID");
    return fitted && writeKey(classKey, nullptr, entry.description) && writeKey(serverKey, nullptr, modulePath)
        && writeKey(serverKey, "ThreadingModel", "Apartment") && writeKey(progIdKey, nullptr, entry.progId)
        && writeKey(entry.progId, nullptr, entry.description) && writeKey(progIdClassKey, nullptr, idText);
}

// A key already gone counts as deleted.
bool deleteKey(const char* path)
{
    LONG result = RegDeleteKeyA(HKEY_CLASSES_ROOT, path);
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

bool unregisterClass(const ClassEntry& entry)
{
    char idText[classIdTextCapacity];
    if (!classIdText(*entry.classId, idText))
        return false;
    char classKey[samplePathCapacity];
    char subKey[samplePathCapacity];
    if (!copyBounded(classKey, sizeof classKey, "CLSID\\") || !appendBounded(classKey, sizeof classKey, idText))
        return false;
    // Subkeys first: RegDeleteKeyA removes only keys without subkeys.
    bool deleted = true;
    const char* classSubKeys[] = { "\\InprocServer32", "\\ProgID" };
    for (const char* suffix : classSubKeys) {
        if (copyBounded(subKey, sizeof subKey, classKey) && appendBounded(subKey, sizeof subKey, suffix))
            deleted = deleteKey(subKey) && deleted;
    }
    deleted = deleteKey(classKey) && deleted;
    if (copyBounded(subKey, sizeof subKey, entry.progId) && appendBounded(subKey, sizeof subKey, "\\CLSID"))
        deleted = deleteKey(subKey) && deleted;
    return deleteKey(entry.progId) && deleted;
}

} // namespace

STDAPI DllRegisterServer()
{
    char modulePath[samplePathCapacity];
    DWORD length = GetModuleFileNameA(serverModule(), modulePath, sizeof modulePath);
    bool registered = length > 0 && length < sizeof modulePath;
    for (const ClassEntry& entry : classes)
        registered = registered && registerClass(entry, modulePath);
    serverJournal(registered ? "DllRegisterServer" : "DllRegisterServer failed");
    return registered ? S_OK : SELFREG_E_CLASS;
}

STDAPI DllUnregisterServer()
{
    bool unregistered = true;
    for (const ClassEntry& entry : classes)
        unregistered = unregisterClass(entry) && unregistered;
    serverJournal(unregistered ? "DllUnregisterServer" : "DllUnregisterServer failed");
    return unregistered ? S_OK : SELFREG_E_CLASS;
}
