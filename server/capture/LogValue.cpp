// Log entries made from client values.
#include "server/capture/LogValue.h"
#include <cwchar>
#include <cwctype>
#include "server/core/Except.h"

const WCHAR g_szNullValue[] = L"(NULL)";

namespace {

struct CTypeText {
    LPCWSTR pszValue;   // by value
    LPCWSTR pszRef;     // with VT_BYREF; "" where the code has no such text
};

const CTypeText g_typeTexts[] = {
    /*  0 VT_EMPTY    */ { L"(empty)",      L"" },
    /*  1 VT_NULL     */ { L"null",         L"" },
    /*  2 VT_I2       */ { L"SHORT",        L"SHORT*" },
    /*  3 VT_I4       */ { L"LONG",         L"LONG*" },
    /*  4 VT_R4       */ { L"FLOAT",        L"FLOAT*" },
    /*  5 VT_R8       */ { L"DOUBLE",       L"DOUBLE*" },
    /*  6 VT_CY       */ { L"CURRENCY",     L"CURRENCY*" },
    /*  7 VT_DATE     */ { L"DATE",         L"DATE*" },
    /*  8 VT_BSTR     */ { L"BSTR",         L"BSTR*" },
    /*  9 VT_DISPATCH */ { L"IDispatch*",   L"IDispatch**" },
    /* 10 VT_ERROR    */ { L"SCODE",        L"SCODE*" },
    /* 11 VT_BOOL     */ { L"VARIANT_BOOL", L"VARIANT_BOOL*" },
    /* 12 VT_VARIANT  */ { L"VARIANT*",     L"VARIANT**" },
    /* 13 VT_UNKNOWN  */ { L"IUnknown*",    L"IUnknown**" },
    /* 14 VT_DECIMAL  */ { L"DECIMAL",      L"DECIMAL*" },
    /* 15            */  { L"",             L"" },
    /* 16 VT_I1       */ { L"CHAR",         L"CHAR*" },
    /* 17 VT_UI1      */ { L"BYTE",         L"BYTE*" },
    /* 18 VT_UI2      */ { L"USHORT",       L"USHORT*" },
    /* 19 VT_UI4      */ { L"ULONG",        L"ULONG*" },
    /* 20 VT_I8       */ { L"LONGLONG",     L"LONGLONG*" },
    /* 21 VT_UI8      */ { L"ULONGLONG",    L"ULONGLONG*" },
    /* 22 VT_INT      */ { L"INT",          L"INT*" },
    /* 23 VT_UINT     */ { L"UINT",         L"UINT*" },
    /* 24 VT_VOID     */ { L"VOID",         L"" },
    /* 25 VT_HRESULT  */ { L"HRESULT",      L"" },
};

// Puts a BSTR that the platform allocated into the holder without copying it.
void AdoptBstr(CBstr& str, BSTR bstr)
{
    if (bstr == nullptr) {
        str = L"";
        return;
    }
    SysFreeString(str.m_str);
    str.m_str = bstr;
}

// A plain by-value view of a by-reference value whose base type is one of
// the fixed-size types (no conversion, nothing allocated; the view borrows
// strings and must not be cleared). FALSE for the other types.
bool BorrowReferencedValue(const VARIANT* pVar, VARIANT& view)
{
    const VARTYPE base = (VARTYPE)(pVar->vt & ~VT_BYREF);
    const void* p = pVar->byref;
    VariantInit(&view);
    switch (base) {
    case VT_I1:      view.cVal = *(const CHAR*)p; break;
    case VT_UI1:     view.bVal = *(const BYTE*)p; break;
    case VT_I2:      view.iVal = *(const SHORT*)p; break;
    case VT_UI2:     view.uiVal = *(const USHORT*)p; break;
    case VT_BOOL:    view.boolVal = *(const VARIANT_BOOL*)p; break;
    case VT_I4:      view.lVal = *(const LONG*)p; break;
    case VT_UI4:     view.ulVal = *(const ULONG*)p; break;
    case VT_ERROR:   view.scode = *(const SCODE*)p; break;
    case VT_R4:      view.fltVal = *(const FLOAT*)p; break;
    case VT_R8:      view.dblVal = *(const DOUBLE*)p; break;
    case VT_DATE:    view.date = *(const DATE*)p; break;
    case VT_CY:      view.cyVal = *(const CY*)p; break;
    case VT_I8:      view.llVal = *(const LONGLONG*)p; break;
    case VT_UI8:     view.ullVal = *(const ULONGLONG*)p; break;
    case VT_BSTR:    view.bstrVal = *(const BSTR*)p; break;
    case VT_DECIMAL: view.decVal = *(const DECIMAL*)p; break;   // overwrites vt
    default:
        return false;
    }
    view.vt = base;
    return true;
}

void SetFormatted(CBstr& str, LPCWSTR pszFormat, ...)
{
    WCHAR buf[96];
    va_list args;
    va_start(args, pszFormat);
    int n = _vsnwprintf(buf, 95, pszFormat, args);
    va_end(args);
    if (n < 0)
        n = 95;
    buf[n] = 0;
    str = buf;
}

// "0x%08x, " and the system's text of the code.
void SetErrorText(CBstr& str, SCODE sc)
{
    WCHAR head[32];
    _snwprintf(head, 31, L"0x%08x, ", (unsigned)sc);
    head[31] = 0;
    LPWSTR pszMsg = nullptr;
    DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS |
                             FORMAT_MESSAGE_FROM_SYSTEM,
                             nullptr, (DWORD)sc, 0, (LPWSTR)&pszMsg, 0, nullptr);
    if (n == 0 || pszMsg == nullptr) {
        if (pszMsg)
            LocalFree(pszMsg);
        str = head;
        return;
    }
    size_t nHead = wcslen(head);
    size_t nMsg = wcslen(pszMsg);
    BSTR b = SysAllocStringLen(nullptr, (UINT)(nHead + nMsg));
    if (b == nullptr) {
        LocalFree(pszMsg);
        throw CExcept(ZV_ERR_MEMORY_BSTR);
    }
    wmemcpy(b, head, nHead);
    wmemcpy(b + nHead, pszMsg, nMsg);
    b[nHead + nMsg] = 0;
    LocalFree(pszMsg);
    AdoptBstr(str, b);
}

// The platform's conversions may fault on a DECIMAL with more than 28
// decimal places or a sign byte other than 0 and DECIMAL_NEG: such a value
// is never handed to them.
bool IsValidDecimal(const DECIMAL& d)
{
    return d.scale <= 28 && (d.sign == 0 || d.sign == DECIMAL_NEG);
}

// TRUE for a DECIMAL, by value or through a non-null reference, that cannot
// be turned into text.
bool IsInvalidDecimal(const VARIANT* pVar)
{
    if (pVar->vt == VT_DECIMAL)
        return !IsValidDecimal(pVar->decVal);
    if (pVar->vt == (VT_DECIMAL | VT_BYREF))
        return pVar->pdecVal != nullptr && !IsValidDecimal(*pVar->pdecVal);
    return false;
}

// What a value that cannot be turned into text is recorded as: the error
// value that an array element of the wrong type also gives.
const SCODE kUnreadableValue = DISP_E_BADVARTYPE;

} // namespace

LPCWSTR VarTypeName(VARTYPE vt)
{
    const unsigned code = vt;
    if ((code & VT_BYREF) == 0) {
        if (code < sizeof(g_typeTexts) / sizeof(g_typeTexts[0]))
            return g_typeTexts[code].pszValue;
    } else {
        const unsigned base = code & ~VT_BYREF;
        if (base < sizeof(g_typeTexts) / sizeof(g_typeTexts[0]) && g_typeTexts[base].pszRef[0])
            return g_typeTexts[base].pszRef;
    }
    switch (code & 0xF000) {
    case 0x2000: return L"SAFEARRAY*";
    case 0x6000: return L"SAFEARRAY**";
    default:     return L"";
    }
}

LPCOLESTR VariantToText(const VARIANT* pVar, CBstr& str)
{
    if (IsInvalidDecimal(pVar)) {   // as a failed conversion
        str = L"";
        return str;
    }
    VARIANT tmp;
    VariantInit(&tmp);
    HRESULT hr = VariantChangeType(&tmp, const_cast<VARIANT*>(pVar), 0, VT_BSTR);
    if (SUCCEEDED(hr) && tmp.vt == VT_BSTR) {
        AdoptBstr(str, tmp.bstrVal);   // the holder takes the string
        tmp.vt = VT_EMPTY;
    } else {
        str = L"";
    }
    VariantClear(&tmp);
    return str;
}

LPCOLESTR FormatVariantValue(const VARIANT* pVar, CBstr& str)
{
    if (pVar->vt & (VT_BYREF | VT_ARRAY | VT_VECTOR)) {
        str = L"";
        return str;
    }
    switch (pVar->vt & 0x0FFF) {
    case VT_EMPTY:
    case VT_NULL:
        str = L"";
        break;
    case VT_I2:
        SetFormatted(str, L"%hd, 0x%04hx", pVar->iVal, pVar->iVal);
        break;
    case VT_I4:
        SetFormatted(str, L"%d, 0x%08x", (int)pVar->lVal, (unsigned)pVar->lVal);
        break;
    case VT_BSTR:
        str = pVar->bstrVal ? pVar->bstrVal : L"";
        break;
    case VT_DISPATCH:
    case VT_VARIANT:
    case VT_UNKNOWN:
    case VT_INT:
    case VT_UINT:
    case VT_RECORD:
        break;   // the holder keeps its text
    case VT_ERROR:
        SetErrorText(str, pVar->scode);
        break;
    case VT_BOOL:
        str = pVar->boolVal ? L"True" : L"False";
        break;
    case VT_I1:
        SetFormatted(str, L"%d, 0x%02x", (int)(signed char)pVar->cVal, (unsigned)(BYTE)pVar->cVal);
        break;
    case VT_UI1:
        SetFormatted(str, L"%u, 0x%02x", (unsigned)pVar->bVal, (unsigned)pVar->bVal);
        break;
    case VT_UI2:
        SetFormatted(str, L"%hu, 0x%04hx", pVar->uiVal, pVar->uiVal);
        break;
    case VT_UI4:
        SetFormatted(str, L"%u, 0x%08x", (unsigned)pVar->ulVal, (unsigned)pVar->ulVal);
        break;
    case VT_I8:
        SetFormatted(str, L"%lld, 0x%016llx", (long long)pVar->llVal, (unsigned long long)pVar->llVal);
        break;
    case VT_UI8:
        SetFormatted(str, L"%llu, 0x%016llx", (unsigned long long)pVar->ullVal,
                     (unsigned long long)pVar->ullVal);
        break;
    case VT_DECIMAL:
        if (IsValidDecimal(pVar->decVal))
            VariantToText(pVar, str);
        else
            SetErrorText(str, kUnreadableValue);
        break;
    default:
        VariantToText(pVar, str);
        break;
    }
    return str;
}

LPCOLESTR SetValueFromVariant(const VARIANT* pVar, CBstr& str)
{
    if (pVar == nullptr) {
        str = L"";
        return str;
    }
    const VARTYPE vt = pVar->vt;
    if (vt & VT_ARRAY) {
        str = L"";
        return str;
    }
    if ((vt & VT_BYREF) == 0)
        return FormatVariantValue(pVar, str);

    if (pVar->byref == nullptr) {   // the client handed a reference to nothing
        str = L"";
        return str;
    }
    const VARTYPE base = (VARTYPE)(vt & ~VT_BYREF);
    switch (base) {
    case VT_DISPATCH:
    case VT_UNKNOWN:
    case VT_INT:
    case VT_UINT:
    case VT_RECORD:
        return str;   // their by-value text leaves the holder as it is
    default:
        break;
    }
    VARIANT view;
    if (BorrowReferencedValue(pVar, view))
        return FormatVariantValue(&view, str);

    // Other references (a VARIANT among them): the platform's conversion.
    VARIANT tmp;
    VariantInit(&tmp);
    HRESULT hr = VariantChangeType(&tmp, const_cast<VARIANT*>(pVar), 0, base);
    if (SUCCEEDED(hr)) {
        try {
            FormatVariantValue(&tmp, str);
        } catch (...) {
            VariantClear(&tmp);
            throw;
        }
    } else {
        str = L"";
    }
    VariantClear(&tmp);
    return str;
}

void NodeSetValueText(CLogNode* pNode, LPCOLESTR pszText)
{
    if (pNode == nullptr || pNode->m_pEntry == nullptr)
        return;
    pNode->m_pEntry->m_value = pszText ? pszText : L"";
}

CLogNode* NodeFromVariant(const VARIANT* pVar, LPCOLESTR pszName)
{
    VARIANT empty;
    if (pVar == nullptr) {
        VariantInit(&empty);
        pVar = &empty;
    }
    VARIANT unreadable;
    if (IsInvalidDecimal(pVar)) {   // its node is the error value
        VariantInit(&unreadable);
        unreadable.vt = VT_ERROR;
        unreadable.scode = kUnreadableValue;
        pVar = &unreadable;
    }
    CLogNode* pNode = AllocNode();
    CLogEntry* pEntry = pNode->m_pEntry;
    try {
        pEntry->m_name = pszName ? pszName : L"";
        const VARTYPE vt = pVar->vt;
        pEntry->m_type = VarTypeName(vt);
        const bool bByRef = (vt & VT_BYREF) != 0;
        if ((VARTYPE)(vt & ~VT_BYREF) == VT_DISPATCH || (vt & VT_ARRAY)) {
            void* p = nullptr;
            if (bByRef) {
                if (pVar->byref == nullptr)   // nothing to read: an empty value text
                    return pNode;
                p = *(void* const*)pVar->byref;
            } else {
                p = (vt & VT_ARRAY) ? (void*)pVar->parray : (void*)pVar->pdispVal;
            }
            if (p == nullptr) {
                pEntry->m_value = g_szNullValue;
            } else {
                pEntry->m_key = (DWORD_PTR)p;
                pEntry->SetKind((vt & VT_ARRAY) ? LOGK_ARRAY : LOGK_OBJECT);
                pEntry->m_flags |= LOGF_LOADABLE;
            }
        } else {
            SetValueFromVariant(pVar, pEntry->m_value);
        }
    } catch (...) {
        FreeNodeTree(pNode);
        throw;
    }
    return pNode;
}

CLogNode* NodeFromNameValue(const VARIANT* pValue, const VARIANT* pName)
{
    if (pName != nullptr) {
        if (pName->vt == VT_BSTR)
            return NodeFromVariant(pValue, pName->bstrVal ? pName->bstrVal : L"");
        if (pName->vt == (VT_BSTR | VT_BYREF) && pName->pbstrVal != nullptr)
            return NodeFromVariant(pValue, *pName->pbstrVal ? *pName->pbstrVal : L"");
    }
    CBstr text;
    SetValueFromVariant(pName, text);
    const int n = text.Length();
    BSTR b = SysAllocStringLen(nullptr, (UINT)(n + 4));
    if (b == nullptr)
        throw CExcept(ZV_ERR_MEMORY_BSTR);
    wmemcpy(b, L"(? ", 3);
    wmemcpy(b + 3, text.m_str, n);
    b[n + 3] = L')';
    b[n + 4] = 0;
    AdoptBstr(text, b);
    return NodeFromVariant(pValue, text);
}

LPCOLESTR MakeVariableName(LPCOLESTR pszName, CBstr& str)
{
    if (pszName == nullptr || pszName[0] == 0) {
        str = L"";
        return str;
    }
    const WCHAR* p = pszName;
    while (*p && iswdigit(*p))
        ++p;
    if (*p != 0) {
        str = pszName;
        return str;
    }
    const size_t n = (size_t)(p - pszName);
    BSTR b = SysAllocStringLen(nullptr, (UINT)(n + 4));
    if (b == nullptr)
        throw CExcept(ZV_ERR_MEMORY_BSTR);
    wmemcpy(b, L"[ ", 2);
    wmemcpy(b + 2, pszName, n);
    wmemcpy(b + 2 + n, L" ]", 2);
    b[n + 4] = 0;
    AdoptBstr(str, b);
    return str;
}
