// The COM module of an executable server: its object map (one class), the
// registration of the class objects with COM, the lock count that keeps a
// process started by COM alive, the registry scripts and the type library.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <string>
#include <utility>
#include <vector>

// One creatable class of the module.
struct CComObjectMapEntry {
    const CLSID* pclsid = nullptr;
    UINT nRegistryResId = 0;                                     // REGISTRY script of the class
    HRESULT(WINAPI* pfnCreateClassObject)(REFIID, void**) = nullptr;
    IUnknown* pClassObject = nullptr;                            // while registered
    DWORD dwRegister = 0;                                        // cookie of CoRegisterClassObject
};

// Replacement variables of a registry script: name (without the percent
// signs) and the text that stands for it.
using CRegReplacements = std::vector<std::pair<std::wstring, std::wstring>>;

class CAtlMfcModule {
public:
    // libid: the type library; nAppIdResId/appId: the AppID script and the
    // AppID's GUID text in braces (0 and empty when there is none).
    CAtlMfcModule(const GUID& libid, UINT nAppIdResId, std::wstring appId);
    virtual ~CAtlMfcModule();
    CAtlMfcModule(const CAtlMfcModule&) = delete;
    CAtlMfcModule& operator=(const CAtlMfcModule&) = delete;

    // The module of the process (the last one constructed), or null.
    static CAtlMfcModule* GetModule();

    void SetObjectMap(const CComObjectMapEntry& entry) { m_entry = entry; }
    CComObjectMapEntry& GetObjectMapEntry() { return m_entry; }

    HRESULT RegisterClassObjects(DWORD dwClsContext, DWORD dwFlags);
    HRESULT RevokeClassObjects();

    // Each live object holds one lock.  When the count falls to 0 in a
    // process the user does not control (started by COM), WM_QUIT is posted
    // to the module's main thread.
    LONG Lock();
    LONG Unlock();
    LONG GetLockCount() const { return m_nLockCnt; }
    void SetUserControl(bool bUserControl) { m_bUserControl = bUserControl; }
    bool GetUserControl() const { return m_bUserControl; }
    DWORD GetMainThreadId() const { return m_dwMainThreadId; }

    // Runs the registry script resource nResId of the executable with the
    // common replacements (MODULE: the executable's path in double quotes;
    // APPID: empty) and the given extra ones, which take precedence.
    HRESULT UpdateRegistryFromResource(UINT nResId, BOOL bRegister,
                                       const CRegReplacements& extra = {});
    // The AppID script, with APPID set to the module's AppID.
    HRESULT UpdateRegistryAppId(BOOL bRegister);
    // The class scripts of the object map, and the type library.
    HRESULT RegisterServer(BOOL bRegTypeLib);
    HRESULT UnregisterServer(BOOL bUnRegTypeLib);

    // The type library of the executable's own TYPELIB resource 1.
    HRESULT RegisterTypeLib();
    HRESULT UnRegisterTypeLib();

    const GUID& GetLibId() const { return m_libid; }
    const std::wstring& GetAppId() const { return m_appId; }

    // Releases the cached type information of the dispatch implementations;
    // called at exit while OLE is still initialised.
    void Term();

    // The executable's full path; and the same in double quotes.
    static std::wstring GetModulePath();
    CRegReplacements GetCommonReplacements() const;

private:
    GUID m_libid;
    UINT m_nAppIdResId;
    std::wstring m_appId;
    CComObjectMapEntry m_entry;
    LONG m_nLockCnt = 0;
    bool m_bUserControl = true;
    DWORD m_dwMainThreadId;
    CAtlMfcModule* m_pPrevModule;
};

// Lock and unlock of the process's module, if there is one.
void ComModuleLock();
void ComModuleUnlock();
