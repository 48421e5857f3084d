#pragma once
#include "server_module.h"

#include <windows.h>
#include <oaidl.h>

#include <new>

// IUnknown and IDispatch for one of the sample's dual interfaces. The
// dispatch half is left unimplemented: the installer binds to the vtable.
// Creation and the final release are journaled with the object's ProgID.
template <typename Interface>
class SampleObject : public Interface {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID wanted, void** object) override
    {
        if (object == nullptr)
            return E_POINTER;
        if (IsEqualIID(wanted, IID_IUnknown) || IsEqualIID(wanted, IID_IDispatch)
            || IsEqualIID(wanted, interfaceId_)) {
            *object = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }

    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }

    ULONG STDMETHODCALLTYPE Release() override
    {
        LONG left = InterlockedDecrement(&references_);
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        if (count == nullptr)
            return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override
    {
        if (info != nullptr)
            *info = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }

    // Creates an object of the derived class and hands out the wanted interface.
    template <typename Derived>
    static HRESULT create(REFIID wanted, void** object)
    {
        Derived* made = new (std::nothrow) Derived();
        if (made == nullptr)
            return E_OUTOFMEMORY;
        HRESULT result = made->QueryInterface(wanted, object);
        made->Release();
        return result;
    }

protected:
    SampleObject(REFIID interfaceId, const char* progId) : references_(1), interfaceId_(interfaceId), progId_(progId)
    {
        objectCreated();
        const char* words[] = { "Create", progId_ };
        serverJournal(words, 2);
    }

    virtual ~SampleObject()
    {
        const char* words[] = { "Release", progId_ };
        serverJournal(words, 2);
        objectDestroyed();
    }

private:
    LONG references_;
    const IID& interfaceId_;
    const char* progId_;
};
