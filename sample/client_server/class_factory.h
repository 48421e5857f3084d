#pragma once
#include <windows.h>
#include <unknwn.h>

// Makes one new object and hands out the wanted interface of it.
typedef HRESULT (*ObjectCreator)(REFIID wanted, void** object);

// The class object of one of the sample's classes.
class ClassFactory : public IClassFactory {
public:
    explicit ClassFactory(ObjectCreator creator);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID wanted, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID wanted, void** object) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

private:
    virtual ~ClassFactory();

    LONG references_;
    ObjectCreator creator_;
};
