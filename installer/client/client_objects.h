#pragma once
#include "win32/com_ptr.h"
#include <windows.h>
#include <oaidl.h>

// The installed client's automation objects, as far as the installer relies
// on them. Both are dual interfaces: slots 0-2 IUnknown, 3-6 IDispatch, and
// the operations below at fixed slots; the reserved entries hold the slots in
// between, which the installer never calls.

// "Zorv.Client.Conf"
struct IZorvClientConf : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE GetClientPath(BSTR* path) = 0;             // slot 7
    virtual HRESULT STDMETHODCALLTYPE Reserved8() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved9() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved10() = 0;
    virtual HRESULT STDMETHODCALLTYPE QueryAtFinish(BSTR* text) = 0;             // slot 11
    virtual HRESULT STDMETHODCALLTYPE Reserved12() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved13() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved14() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved15() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved16() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved17() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved18() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved19() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved20() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved21() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved22() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved23() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved24() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved25() = 0;
    virtual HRESULT STDMETHODCALLTYPE SetValue(BSTR section, BSTR key, VARIANT value) = 0;   // slot 26
    virtual HRESULT STDMETHODCALLTYPE Reserved27() = 0;
    virtual HRESULT STDMETHODCALLTYPE ImportConfigFile(BSTR bareName) = 0;      // slot 28
};

// "Zorv.Client"
struct IZorvClient : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE IsRunning(VARIANT_BOOL* running) = 0;      // slot 7
    virtual HRESULT STDMETHODCALLTYPE Reserved8() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved9() = 0;
    virtual HRESULT STDMETHODCALLTYPE Quit() = 0;                                // slot 10
};

// Interface ids of the two interfaces (the client's own choice, fixed here).
extern const IID IID_IZorvClientConf;
extern const IID IID_IZorvClient;

// Resolves the class (a ProgID, or a class id when the text begins with "{"),
// creates it in any context, puts it into the running state and asks it for
// the wanted interface. *object stays null on any failure.
HRESULT createClientObject(const char* classText, REFIID wanted, void** object);

// Asks running client processes to exit: "ZorvUserWantsExit" to all top-level windows.
void postExitBroadcast();

// The client's configuration object for one use: use(configuration) runs when
// it could be created; then running client processes are asked to exit, and
// the object is released.
template <typename Use>
void useClientConfiguration(Use use)
{
    ComPtr<IZorvClientConf> configuration;
    createClientObject("Zorv.Client.Conf", IID_IZorvClientConf, configuration.putVoid());
    if (configuration)
        use(configuration.get());
    postExitBroadcast();
}
