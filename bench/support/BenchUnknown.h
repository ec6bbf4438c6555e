// The IUnknown of the benchmarks' own COM objects: one reference count on
// the object's thread, and the interfaces it answers besides IUnknown.
#pragma once
#include <windows.h>
#include <unknwn.h>

// T derives from CBenchUnknown<T, Base, ...>; Base is the interface (or
// interface implementation) that every answered interface id hands out.
// The object starts with one reference and deletes itself at the last
// Release.
template <class T, class Base, const IID*... piids>
class CBenchUnknown : public Base {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (riid == IID_IUnknown || ((riid == *piids) || ...)) {
            *ppv = static_cast<Base*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_cRef; }
    STDMETHODIMP_(ULONG) Release() override {
        ULONG n = --m_cRef;
        if (!n) delete static_cast<T*>(this);
        return n;
    }

private:
    ULONG m_cRef = 1;
};
