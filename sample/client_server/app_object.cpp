#include "app_object.h"

#include "sample_object.h"

#include "client/client_objects.h"
#include "sample_names.h"

namespace {

BOOL CALLBACK closeApplicationWindow(HWND window, LPARAM parameter)
{
    char className[64];
    if (GetClassNameA(window, className, sizeof className) > 0 && lstrcmpA(className, SAMPLE_CLIENT_WINDOW_CLASS) == 0) {
        PostMessageA(window, WM_CLOSE, 0, 0);
        ++*reinterpret_cast<int*>(parameter);
    }
    return TRUE;
}

class ApplicationObject : public SampleObject<IZorvClient> {
public:
    ApplicationObject() : SampleObject(IID_IZorvClient, "Zorv.Client") {}

    HRESULT STDMETHODCALLTYPE IsRunning(VARIANT_BOOL* running) override
    {
        bool found = FindWindowA(SAMPLE_CLIENT_WINDOW_CLASS, nullptr) != nullptr;
        const char* words[] = { "IsRunning", found ? "-1" : "0" };
        serverJournal(words, 2);
        if (running == nullptr)
            return E_POINTER;
        *running = found ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }

    // Asks every running copy of the application to close; nothing is awaited.
    HRESULT STDMETHODCALLTYPE Quit() override
    {
        int asked = 0;
        EnumWindows(closeApplicationWindow, reinterpret_cast<LPARAM>(&asked));
        serverJournal(asked > 0 ? "Quit" : "Quit not-running");
        return asked > 0 ? S_OK : S_FALSE;
    }

    HRESULT STDMETHODCALLTYPE Reserved8() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved9() override { return E_NOTIMPL; }
};

} // namespace

HRESULT createApplicationObject(REFIID wanted, void** object)
{
    return SampleObject<IZorvClient>::create<ApplicationObject>(wanted, object);
}
