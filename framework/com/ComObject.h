// COM object support: thread model, object root with reference count and
// outer unknown, interface maps, the object wrappers (plain, contained,
// aggregated), the creators, the class factory and the coclass base.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <climits>
#include <new>

#include "framework/com/Module.h"

// Objects that live in one single-threaded apartment: plain counters.
class CComSingleThreadModel {
public:
    static ULONG Increment(LONG* p) noexcept { return static_cast<ULONG>(++*p); }
    static ULONG Decrement(LONG* p) noexcept { return static_cast<ULONG>(--*p); }
};

// One interface of an object's interface map.
struct CComInterfaceEntry {
    const IID* piid;
    // Offset of the interface's vtable pointer from the object's start.
    DWORD_PTR offset;
};

// Finds riid in a map (ends with a null piid) and returns the interface,
// AddRef'd through its own IUnknown.  IID_IUnknown gives the first entry.
HRESULT ComInternalQueryInterface(void* pThis, const CComInterfaceEntry* entries, REFIID riid,
                                  void** ppv);

// Offset of interface I inside class C (C derives from I).
#define ZV_COM_OFFSET(C, I) \
    (reinterpret_cast<DWORD_PTR>(static_cast<I*>(reinterpret_cast<C*>(0x1000))) - 0x1000)

// The interface map of a class:
//   BEGIN_COM_MAP(CThing)
//     COM_INTERFACE_ENTRY(IThing)
//     COM_INTERFACE_ENTRY(IDispatch)
//   END_COM_MAP()
#define BEGIN_COM_MAP(C)                                                           \
public:                                                                            \
    using ZvComMapClass = C;                                                       \
    HRESULT _InternalQueryInterface(REFIID riid, void** ppv) {                     \
        return ComInternalQueryInterface(this, ZvGetEntries(), riid, ppv);         \
    }                                                                              \
    IUnknown* GetUnknown() {                                                       \
        return reinterpret_cast<IUnknown*>(reinterpret_cast<BYTE*>(this) +         \
                                           ZvGetEntries()->offset);                \
    }                                                                              \
    static const CComInterfaceEntry* ZvGetEntries() {                              \
        static const CComInterfaceEntry entries[] = {
#define COM_INTERFACE_ENTRY_IID(iid, I) {&(iid), ZV_COM_OFFSET(ZvComMapClass, I)},
#define COM_INTERFACE_ENTRY(I) COM_INTERFACE_ENTRY_IID(__uuidof(I), I)
#define END_COM_MAP()                                                              \
            {nullptr, 0}};                                                         \
        return entries;                                                            \
    }

// Root of every object: the reference count, or for an object contained in an
// aggregate, the outer unknown that its IUnknown delegates to.
template <class ThreadModel>
class CComObjectRootEx {
public:
    using ThreadModelType = ThreadModel;

    CComObjectRootEx() = default;
    CComObjectRootEx(const CComObjectRootEx&) = delete;
    CComObjectRootEx& operator=(const CComObjectRootEx&) = delete;

    // Hooks of the derived class: FinalConstruct runs after the object is
    // built (a failure makes the creation fail), FinalRelease before it is
    // destroyed (also after a failed FinalConstruct).
    HRESULT FinalConstruct() { return S_OK; }
    void FinalRelease() {}

    ULONG InternalAddRef() { return ThreadModel::Increment(&m_dwRef); }
    ULONG InternalRelease() { return ThreadModel::Decrement(&m_dwRef); }

    // The creators hold one reference around FinalConstruct, so that the
    // object survives an AddRef/Release pair made inside it.
    void InternalFinalConstructAddRef() { InternalAddRef(); }
    void InternalFinalConstructRelease() { InternalRelease(); }
    void SetVoid(void*) {}

    ULONG OuterAddRef() { return m_pOuterUnknown->AddRef(); }
    ULONG OuterRelease() { return m_pOuterUnknown->Release(); }
    HRESULT OuterQueryInterface(REFIID riid, void** ppv) {
        return m_pOuterUnknown->QueryInterface(riid, ppv);
    }

    LONG m_dwRef = 0;
    IUnknown* m_pOuterUnknown = nullptr;
};

// A stand-alone object: its IUnknown counts its own references; while it
// lives, it locks the module.
template <class Base>
class CComObject final : public Base {
public:
    explicit CComObject(void* = nullptr) { ComModuleLock(); }
    ~CComObject() {
        // A count that no stray AddRef/Release during FinalRelease brings to 0.
        this->m_dwRef = -(LONG_MAX / 2);
        this->FinalRelease();
        ComModuleUnlock();
    }
    STDMETHOD_(ULONG, AddRef)() override { return this->InternalAddRef(); }
    STDMETHOD_(ULONG, Release)() override {
        ULONG n = this->InternalRelease();
        if (n == 0) delete this;
        return n;
    }
    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override {
        return this->_InternalQueryInterface(riid, ppv);
    }

    // A new object with FinalConstruct done and a reference count of 0.
    static HRESULT CreateInstance(CComObject** pp) {
        if (!pp) return E_POINTER;
        *pp = nullptr;
        auto* p = new (std::nothrow) CComObject();
        if (!p) return E_OUTOFMEMORY;
        p->SetVoid(nullptr);
        p->InternalFinalConstructAddRef();
        HRESULT hr = p->FinalConstruct();
        p->InternalFinalConstructRelease();
        if (FAILED(hr)) {
            delete p;
            return hr;
        }
        *pp = p;
        return hr;
    }
};

// The object inside an aggregate: its IUnknown delegates to the outer unknown.
template <class Base>
class CComContainedObject : public Base {
public:
    explicit CComContainedObject(void* pv) { this->m_pOuterUnknown = static_cast<IUnknown*>(pv); }
    STDMETHOD_(ULONG, AddRef)() override { return this->OuterAddRef(); }
    STDMETHOD_(ULONG, Release)() override { return this->OuterRelease(); }
    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override {
        return this->OuterQueryInterface(riid, ppv);
    }
};

// The aggregated form of an object: this is the inner (non-delegating)
// unknown that the outer object holds; the contained object does the work.
template <class Contained>
class CComAggObject final : public IUnknown,
                      public CComObjectRootEx<typename Contained::ThreadModelType> {
public:
    explicit CComAggObject(void* pv) : m_contained(pv) { ComModuleLock(); }
    ~CComAggObject() {
        this->m_dwRef = -(LONG_MAX / 2);
        FinalRelease();
        ComModuleUnlock();
    }
    HRESULT FinalConstruct() { return m_contained.FinalConstruct(); }
    void FinalRelease() { m_contained.FinalRelease(); }

    STDMETHOD_(ULONG, AddRef)() override { return this->InternalAddRef(); }
    STDMETHOD_(ULONG, Release)() override {
        ULONG n = this->InternalRelease();
        if (n == 0) delete this;
        return n;
    }
    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (InlineIsEqualGUID(riid, IID_IUnknown)) {
            *ppv = static_cast<IUnknown*>(this);
            AddRef();
            return S_OK;
        }
        return m_contained._InternalQueryInterface(riid, ppv);
    }

    CComContainedObject<Contained> m_contained;
};

// Builds an object of class T (one of the wrappers above), runs its
// FinalConstruct and hands out the asked-for interface.  A refused object is
// destroyed at once, so its FinalRelease runs before this returns.
template <class T>
class CComCreator {
public:
    static HRESULT WINAPI CreateInstance(void* pv, REFIID riid, void** ppv) {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        T* p = new (std::nothrow) T(pv);
        if (!p) return E_OUTOFMEMORY;
        p->SetVoid(pv);
        p->InternalFinalConstructAddRef();
        HRESULT hr = p->FinalConstruct();
        p->InternalFinalConstructRelease();
        if (SUCCEEDED(hr)) hr = p->QueryInterface(riid, ppv);
        if (FAILED(hr)) delete p;
        return hr;
    }
};

using ComCreatorFunc = HRESULT(WINAPI*)(void* pv, REFIID riid, void** ppv);

// The class object of one class: creates plain objects, or aggregated ones
// when an outer unknown is given (which may ask only for IUnknown).
class CComClassFactory final : public IClassFactory {
public:
    CComClassFactory(ComCreatorFunc create, ComCreatorFunc createAggregated)
        : m_create(create), m_createAggregated(createAggregated) {}

    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override;
    STDMETHOD_(ULONG, AddRef)() override;
    STDMETHOD_(ULONG, Release)() override;
    STDMETHOD(CreateInstance)(IUnknown* pUnkOuter, REFIID riid, void** ppv) override;
    STDMETHOD(LockServer)(BOOL fLock) override;

private:
    ~CComClassFactory() = default;
    LONG m_cRef = 1;
    ComCreatorFunc m_create;
    ComCreatorFunc m_createAggregated;
};

// Base of a creatable class: its class id and its class object.
template <class T, const CLSID* pclsid>
class CComCoClass {
public:
    static const CLSID& WINAPI GetObjectCLSID() { return *pclsid; }

    // A new class object (reference held by the caller) for the object map.
    static HRESULT WINAPI CreateClassObject(REFIID riid, void** ppv) {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        auto* cf = new (std::nothrow) CComClassFactory(&CComCreator<CComObject<T>>::CreateInstance,
                                                       &CComCreator<CComAggObject<T>>::CreateInstance);
        if (!cf) return E_OUTOFMEMORY;
        HRESULT hr = cf->QueryInterface(riid, ppv);
        cf->Release();
        return hr;
    }

    // Creates an object in this process, as the class object would.
    template <class Q>
    static HRESULT CreateInstance(IUnknown* pUnkOuter, Q** pp) {
        if (pUnkOuter)
            return CComCreator<CComAggObject<T>>::CreateInstance(pUnkOuter, __uuidof(Q),
                                                                  reinterpret_cast<void**>(pp));
        return CComCreator<CComObject<T>>::CreateInstance(nullptr, __uuidof(Q),
                                                          reinterpret_cast<void**>(pp));
    }
};

// An object map entry for class T with its registry script resource.
template <class T>
CComObjectMapEntry ComObjectEntry(UINT nRegistryResId) {
    return CComObjectMapEntry{&T::GetObjectCLSID(), nRegistryResId, &T::CreateClassObject};
}
