#include "class_factory.h"

#include "server_module.h"

ClassFactory::ClassFactory(ObjectCreator creator) : references_(1), creator_(creator)
{
    objectCreated();
}

ClassFactory::~ClassFactory()
{
    objectDestroyed();
}

HRESULT STDMETHODCALLTYPE ClassFactory::QueryInterface(REFIID wanted, void** object)
{
    if (object == nullptr)
        return E_POINTER;
    if (IsEqualIID(wanted, IID_IUnknown) || IsEqualIID(wanted, IID_IClassFactory)) {
        *object = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE ClassFactory::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&references_));
}

ULONG STDMETHODCALLTYPE ClassFactory::Release()
{
    LONG left = InterlockedDecrement(&references_);
    if (left == 0)
        delete this;
    return static_cast<ULONG>(left);
}

HRESULT STDMETHODCALLTYPE ClassFactory::CreateInstance(IUnknown* outer, REFIID wanted, void** object)
{
    if (object == nullptr)
        return E_POINTER;
    *object = nullptr;
    if (outer != nullptr)
        return CLASS_E_NOAGGREGATION;
    return creator_(wanted, object);
}

HRESULT STDMETHODCALLTYPE ClassFactory::LockServer(BOOL lock)
{
    serverLocked(lock != FALSE);
    return S_OK;
}
