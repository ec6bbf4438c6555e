// Reading a type's information into a CObjInfo: the documentation, the type
// attributes, the functions and the variables, and the texts of their types.
#include "objinfo/ObjInfo.h"

#include <new>

#include "server/capture/LogValue.h"
#include "server/capture/ObjTable.h"
#include "server/core/Except.h"

namespace {

// What a pass holds of the type information, given back however it ends.
class CFuncDescHold {
public:
    CFuncDescHold(ITypeInfo* pInfo, FUNCDESC* pDesc) : m_pInfo(pInfo), m_pDesc(pDesc) {}
    ~CFuncDescHold() { m_pInfo->ReleaseFuncDesc(m_pDesc); }
    CFuncDescHold(const CFuncDescHold&) = delete;
    CFuncDescHold& operator=(const CFuncDescHold&) = delete;

private:
    ITypeInfo* m_pInfo;
    FUNCDESC* m_pDesc;
};

class CVarDescHold {
public:
    CVarDescHold(ITypeInfo* pInfo, VARDESC* pDesc) : m_pInfo(pInfo), m_pDesc(pDesc) {}
    ~CVarDescHold() { m_pInfo->ReleaseVarDesc(m_pDesc); }
    CVarDescHold(const CVarDescHold&) = delete;
    CVarDescHold& operator=(const CVarDescHold&) = delete;

private:
    ITypeInfo* m_pInfo;
    VARDESC* m_pDesc;
};

class CTypeAttrHold {
public:
    explicit CTypeAttrHold(ITypeInfo* pInfo) : m_pInfo(pInfo) {}
    ~CTypeAttrHold()
    {
        if (m_pAttr)
            m_pInfo->ReleaseTypeAttr(m_pAttr);
    }
    CTypeAttrHold(const CTypeAttrHold&) = delete;
    CTypeAttrHold& operator=(const CTypeAttrHold&) = delete;

    TYPEATTR* m_pAttr = nullptr;

private:
    ITypeInfo* m_pInfo;
};

// A BSTR that the type information handed out.
class CBstrHold {
public:
    CBstrHold() = default;
    ~CBstrHold() { ::SysFreeString(m_str); }
    CBstrHold(const CBstrHold&) = delete;
    CBstrHold& operator=(const CBstrHold&) = delete;

    BSTR m_str = nullptr;
};

class CUnknownHold {
public:
    CUnknownHold() = default;
    ~CUnknownHold()
    {
        if (m_p)
            m_p->Release();
    }
    CUnknownHold(const CUnknownHold&) = delete;
    CUnknownHold& operator=(const CUnknownHold&) = delete;

    ITypeInfo* m_p = nullptr;
};

DWORD FunctionKind(INVOKEKIND kind)
{
    switch (kind) {
    case INVOKE_FUNC:           return CMemberInfo::MK_METHOD;
    case INVOKE_PROPERTYGET:    return CMemberInfo::MK_PROPGET;
    case INVOKE_PROPERTYPUT:    return CMemberInfo::MK_PROPPUT;
    case INVOKE_PROPERTYPUTREF: return CMemberInfo::MK_PROPPUTREF;
    default:                    return CMemberInfo::MK_NONE;
    }
}

DWORD VariableKind(VARKIND kind)
{
    switch (kind) {
    case VAR_PERINSTANCE: return CMemberInfo::MK_PERINSTANCE;
    case VAR_STATIC:      return CMemberInfo::MK_STATIC;
    case VAR_CONST:       return CMemberInfo::MK_CONST;
    case VAR_DISPATCH:    return CMemberInfo::MK_DISPATCH;
    default:              return CMemberInfo::MK_NONE;
    }
}

// The codes that a type description may hold but a VARIANT never does, so
// that the log's type names leave them out.
LPCWSTR OtherTypeName(VARTYPE vt)
{
    switch (vt) {
    case VT_LPSTR:            return L"LPSTR";
    case VT_LPWSTR:           return L"LPWSTR";
    case VT_RECORD:           return L"RECORD";
    case VT_INT_PTR:          return L"INT_PTR";
    case VT_UINT_PTR:         return L"UINT_PTR";
    case VT_FILETIME:         return L"FILETIME";
    case VT_BLOB:             return L"BLOB";
    case VT_STREAM:           return L"STREAM";
    case VT_STORAGE:          return L"STORAGE";
    case VT_STREAMED_OBJECT:  return L"STREAMED_OBJECT";
    case VT_STORED_OBJECT:    return L"STORED_OBJECT";
    case VT_BLOB_OBJECT:      return L"BLOB_OBJECT";
    case VT_CF:               return L"CF";
    case VT_CLSID:            return L"CLSID";
    case VT_VERSIONED_STREAM: return L"VERSIONED_STREAM";
    case VT_BSTR_BLOB:        return L"BSTR_BLOB";
    default:                  return L"";
    }
}

// Type descriptions nest only a few levels in any real library; a deeper
// (or circular) one from a client's own type information stops here.
constexpr int kMaxTypeNesting = 32;

void ComposeType(ITypeInfo* pInfo, const TYPEDESC* ptd, CBstr& holder, int nDepth)
{
    if (!ptd || nDepth > kMaxTypeNesting)
        return;
    if (ptd->vt == VT_PTR) {
        ComposeType(pInfo, ptd->lptdesc, holder, nDepth + 1);
        holder.Append(L"*");
        return;
    }
    switch (ptd->vt & 0x0FFF) {
    case VT_SAFEARRAY: {
        // "SAFEARRAY(BSTR)": the element type in the array's own words.
        CBstr elem;
        ComposeType(pInfo, ptd->lptdesc, elem, nDepth + 1);
        if (elem.IsEmpty())
            holder = L"SAFEARRAY";
        else
            holder.Format(L"SAFEARRAY(%s)", (LPCOLESTR)elem);
        return;
    }
    case VT_CARRAY: {
        // "LONG[4][2]": the element type with the size of each dimension.
        const ARRAYDESC* pArray = ptd->lpadesc;
        if (!pArray)
            return;
        CBstr text, bound;
        ComposeType(pInfo, &pArray->tdescElem, text, nDepth + 1);
        for (USHORT k = 0; k < pArray->cDims; ++k)
            text.Append(bound.Format(L"[%lu]", (unsigned long)pArray->rgbounds[k].cElements));
        holder = text;
        return;
    }
    default:
        break;
    }
    if (ptd->vt == VT_USERDEFINED) {
        CUnknownHold ref;
        if (FAILED(pInfo->GetRefTypeInfo(ptd->hreftype, &ref.m_p)) || !ref.m_p)
            return;
        CBstrHold name;
        if (SUCCEEDED(ref.m_p->GetDocumentation(MEMBERID_NIL, &name.m_str, nullptr, nullptr, nullptr)))
            holder = name.m_str;
        return;
    }
    // A VARIANT in a type description is one passed by value. The log's
    // type name VARIANT* is that of a value held in a VARIANT, which would
    // give every VARIANT argument one star too many.
    if (ptd->vt == VT_VARIANT) {
        holder = L"VARIANT";
        return;
    }
    LPCWSTR pszName = VarTypeName(ptd->vt);
    if (!*pszName)
        pszName = OtherTypeName(ptd->vt);
    if (*pszName) {
        holder = pszName;
        return;
    }
    // A code that no table knows still shows what it is.
    holder.Format(L"VARTYPE %u", (unsigned)ptd->vt);
}

} // namespace

LPCOLESTR CObjInfo::TypeDescText(ITypeInfo* pInfo, const TYPEDESC* ptd, CBstr& holder)
{
    ComposeType(pInfo, ptd, holder, 0);
    return holder;
}

CObjInfo* CObjInfo::Build(CObjRecord* pRecord)
{
    return pRecord ? Build(pRecord->GetTypeInfo()) : nullptr;
}

CObjInfo* CObjInfo::Build(ITypeInfo* pInfo)
{
    if (!pInfo)
        return nullptr;
    CBstrHold name, doc;
    if (FAILED(pInfo->GetDocumentation(MEMBERID_NIL, &name.m_str, &doc.m_str, nullptr, nullptr)))
        return nullptr;

    CObjInfo* pObj = new (std::nothrow) CObjInfo;
    if (!pObj)
        throw CExcept(ZV_ERR_MEMORY);
    try {
        pObj->m_name = name.m_str;
        pObj->m_doc = doc.m_str;
        CTypeAttrHold attr(pInfo);
        if (FAILED(pInfo->GetTypeAttr(&attr.m_pAttr)) || !attr.m_pAttr) {
            attr.m_pAttr = nullptr;
            return pObj;   // name and documentation only
        }
        pObj->m_iid = attr.m_pAttr->guid;
        pObj->ReadTypeLibId();
        pObj->ReadTypeLibFiles();
        const TYPEKIND kind = attr.m_pAttr->typekind;
        if (kind == TKIND_DISPATCH || kind == TKIND_INTERFACE) {
            pObj->m_bDispatch = kind == TKIND_DISPATCH;
            pObj->AddFunctions(pInfo, attr.m_pAttr->cFuncs);
        }
        pObj->AddVariables(pInfo, attr.m_pAttr->cVars);
        return pObj;
    } catch (const std::bad_alloc&) {
        delete pObj;
        throw CExcept(ZV_ERR_MEMORY);
    } catch (...) {
        delete pObj;
        throw;
    }
}

void CObjInfo::AddFunctions(ITypeInfo* pInfo, UINT nCount)
{
    CBstr holder;
    // A function that cannot be read (a default value the loader does not
    // understand, say) is left out; those after it are still listed.
    for (UINT index = 0; index < nCount; ++index) {
        FUNCDESC* pDesc = nullptr;
        if (FAILED(pInfo->GetFuncDesc(index, &pDesc)) || !pDesc)
            continue;
        CFuncDescHold hold(pInfo, pDesc);
        if (pDesc->wFuncFlags & (FUNCFLAG_FRESTRICTED | FUNCFLAG_FHIDDEN))
            continue;

        const int cParams = pDesc->cParams > 0 ? pDesc->cParams : 0;
        CBstrArray names((UINT)cParams + 1);
        UINT got = 0;
        if (FAILED(pInfo->GetNames(pDesc->memid, names.GetBuffer(), (UINT)cParams + 1, &got)) || got == 0)
            continue;
        if (got > (UINT)cParams + 1)
            got = (UINT)cParams + 1;

        CMemberInfo* pMember = AddMember(names[0]);
        pMember->AllocParams(cParams);
        for (UINT k = 1; k < got; ++k)
            pMember->m_pParams[k - 1].m_name = names[k];

        const int cOpt = pDesc->cParamsOpt;
        for (int i = 0; i < cParams; ++i) {
            CParamInfo& param = pMember->m_pParams[i];
            const ELEMDESC& elem = pDesc->lprgelemdescParam[i];
            holder = L"";
            param.m_typeText = TypeDescText(pInfo, &elem.tdesc, holder);
            const USHORT wFlags = elem.paramdesc.wParamFlags;
            param.m_dwFlags = wFlags & 0x0F;
            if ((wFlags & PARAMFLAG_FHASDEFAULT) && elem.paramdesc.pparamdescex) {
                param.m_dwFlags |= CParamInfo::PF_HASDEFAULT;
                SetValueFromVariant(&elem.paramdesc.pparamdescex->varDefaultValue, param.m_defaultText);
                if (param.m_defaultText.IsEmpty())
                    param.m_defaultText = L"\"\"";
            }
            // The parameter's own flag: cParamsOpt counts the optional ones
            // but they need not be last (a retval or lcid parameter follows
            // them). The last parameter of a vararg function takes the rest.
            if ((wFlags & PARAMFLAG_FOPT) || (cOpt == -1 && i == cParams - 1))
                param.m_dwFlags |= CParamInfo::PF_OPTIONAL;
        }

        holder = L"";
        pMember->m_typeText = TypeDescText(pInfo, &pDesc->elemdescFunc.tdesc, holder);
        pMember->m_dwFlags = FunctionKind(pDesc->invkind);
        if (cOpt == -1)
            pMember->m_dwFlags |= CMemberInfo::MF_VARARG;
        pMember->m_memid = (DWORD)pDesc->memid;
        CBstrHold doc;
        if (SUCCEEDED(pInfo->GetDocumentation(pDesc->memid, nullptr, &doc.m_str, nullptr, nullptr)))
            pMember->m_doc = doc.m_str;
    }
}

void CObjInfo::AddVariables(ITypeInfo* pInfo, UINT nCount)
{
    CBstr holder;
    for (UINT index = 0; index < nCount; ++index) {
        VARDESC* pDesc = nullptr;
        if (FAILED(pInfo->GetVarDesc(index, &pDesc)) || !pDesc)
            continue;
        CVarDescHold hold(pInfo, pDesc);
        CBstrHold name, doc;
        if (FAILED(pInfo->GetDocumentation(pDesc->memid, &name.m_str, &doc.m_str, nullptr, nullptr))) {
            ::SysFreeString(name.m_str);
            ::SysFreeString(doc.m_str);
            name.m_str = doc.m_str = nullptr;
        }
        CMemberInfo* pMember = AddMember(name.m_str);
        pMember->m_doc = doc.m_str;
        holder = L"";
        pMember->m_typeText = TypeDescText(pInfo, &pDesc->elemdescVar.tdesc, holder);
        pMember->m_dwFlags = VariableKind(pDesc->varkind);
        pMember->m_memid = (DWORD)pDesc->memid;
    }
}
