// VARIANTs the tests hand to the capture, built in one line each.
#pragma once
#include <windows.h>
#include <oleauto.h>

inline VARIANT VLong(LONG n)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = n;
    return v;
}

// Allocates a BSTR.
inline VARIANT VStr(LPCWSTR psz)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocString(psz);
    return v;
}

// No reference taken.
inline VARIANT VDisp(IDispatch* pDisp)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_DISPATCH;
    v.pdispVal = pDisp;
    return v;
}

// A VARIANT array (VT_ARRAY | VT_VARIANT); the array stays the caller's.
inline VARIANT VArray(SAFEARRAY* psa)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_ARRAY | VT_VARIANT;
    v.parray = psa;
    return v;
}
