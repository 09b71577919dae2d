#pragma once
// IUnknown for a class of ours that implements one COM interface: a
// reference count that starts at 1 and changes only by interlocked steps,
// and QueryInterface that answers IUnknown and that interface alone.
#include "framework/Win32.h"

#include <unknwn.h>
#include <wrl/client.h>

#include <utility>

template <class Interface> class ComObject : public Interface {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** result) final {
        if (!result)
            return E_POINTER;
        if (IsEqualIID(riid, __uuidof(IUnknown)) || IsEqualIID(riid, __uuidof(Interface))) {
            AddRef();
            *result = static_cast<Interface*>(this);
            return S_OK;
        }
        *result = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() final { return InterlockedIncrement(&refCount_); }
    ULONG STDMETHODCALLTYPE Release() final {
        const LONG count = InterlockedDecrement(&refCount_);
        if (count == 0)
            delete this;
        return count;
    }

protected:
    ComObject() = default;
    virtual ~ComObject() = default;

private:
    LONG refCount_ = 1;
};

// A new object of ours, owned by the pointer returned (its first reference).
// Stored through GetAddressOf, which takes no reference of its own in any
// implementation of ComPtr (Attach does in some).
template <class Object, class... Args>
Microsoft::WRL::ComPtr<Object> MakeComObject(Args&&... args) {
    Microsoft::WRL::ComPtr<Object> object;
    *object.GetAddressOf() = new Object(std::forward<Args>(args)...);
    return object;
}
