// The COM object behind Zavetra.Connect: one per client object.  It admits
// the client (a client id and a start time), hands every Trace/Tr/Br call to
// the main frame as a call node and returns the frame's code as an HRESULT.
#pragma once

#include <windows.h>

#include "Zavetra_h.h"
#include "framework/com/ComObject.h"
#include "framework/com/Dispatch.h"

class CConnect : public CComObjectRootEx<CComSingleThreadModel>,
                 public CComCoClass<CConnect, &CLSID_Connect>,
                 public IDispatchImpl<IConnect, &IID_IConnect, &LIBID_ZavetraLib, 1, 0> {
public:
    BEGIN_COM_MAP(CConnect)
        COM_INTERFACE_ENTRY(IConnect)
        COM_INTERFACE_ENTRY(IDispatch)
    END_COM_MAP()

    // Admission: S_OK, or the HRESULT of the refusal (its message shown).
    HRESULT FinalConstruct();
    // Tells the main frame that the client has gone (admitted objects only).
    void FinalRelease();

    STDMETHOD(Trace)(BSTR Label, LONG Break, VARIANT ObjectArray) override;
    STDMETHOD(Tr)(BSTR Label, VARIANT ObjectArray) override;
    STDMETHOD(Br)(BSTR Label, VARIANT ObjectArray) override;

    // Milliseconds of the tick count at admission, moved forward by the time
    // each call spent inside the program.
    ULONGLONG m_nStartTime = 0;
    // 1 to 255 for an admitted object; a refused one keeps what it took.
    LONG m_nClientId = 0;

private:
    HRESULT DoTrace(BSTR Label, BOOL bBreak, VARIANT* pObjectArray);
};
