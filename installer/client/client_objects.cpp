#include "client/client_objects.h"

#include "common/text_sizes.h"
#include "core/private_messages.h"
#include "win32/com_ptr.h"

#include <ole2.h>

// {5A0F3C1E-7B2D-4E61-9C3A-2F1B6D0E8A41}
const IID IID_IZorvClientConf = { 0x5a0f3c1e, 0x7b2d, 0x4e61, { 0x9c, 0x3a, 0x2f, 0x1b, 0x6d, 0x0e, 0x8a, 0x41 } };
// {5A0F3C1F-7B2D-4E61-9C3A-2F1B6D0E8A41}
const IID IID_IZorvClient = { 0x5a0f3c1f, 0x7b2d, 0x4e61, { 0x9c, 0x3a, 0x2f, 0x1b, 0x6d, 0x0e, 0x8a, 0x41 } };

namespace {

// Every context: in-process server and handler, local and remote server.
const DWORD anyClassContext = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER
    | CLSCTX_REMOTE_SERVER;

HRESULT resolveClass(const char* classText, CLSID& classId)
{
    WCHAR wide[pathSize];
    if (MultiByteToWideChar(CP_ACP, 0, classText, -1, wide, sizeof wide / sizeof wide[0]) <= 0)
        return E_INVALIDARG;
    if (classText[0] == '{')
        return CLSIDFromString(wide, &classId);
    return CLSIDFromProgID(wide, &classId);
}

} // namespace

HRESULT createClientObject(const char* classText, REFIID wanted, void** object)
{
    *object = nullptr;
    CLSID classId;
    HRESULT result = resolveClass(classText, classId);
    if (FAILED(result))
        return result;

    ComPtr<IUnknown> unknown;
    result = CoCreateInstance(classId, nullptr, anyClassContext, IID_IUnknown, unknown.putVoid());
    if (FAILED(result))
        return result;
    result = OleRun(unknown.get());
    if (FAILED(result))
        return result;
    return unknown->QueryInterface(wanted, object);
}

void postExitBroadcast()
{
    UINT message = RegisterWindowMessageA(USER_WANTS_EXIT_MESSAGE);
    PostMessageA(HWND_BROADCAST, message, 0, 0);
}
