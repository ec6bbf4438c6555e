#include "bench/support/Capture.h"

#include <cwchar>

#include "bench/support/Timing.h"
#include "server/capture/ObjTable.h"
#include "server/core/LogNode.h"

CCapture CaptureArguments(const VARIANT& objectArray, int nLevels, int nItems) {
    CCapture c;
    c.pTable = new CObjTable;
    const double t0 = Now();
    c.pTree = c.pTable->BuildArgumentTree(&objectArray, nLevels, nItems);
    c.dSeconds = Now() - t0;
    return c;
}

void EndCapture(CCapture& c, bool bFreeTree) {
    delete c.pTable;
    c.pTable = nullptr;
    if (bFreeTree && c.pTree) FreeNodeTree(c.pTree);
    c.pTree = nullptr;
}

double CaptureSeconds(const VARIANT& objectArray, int nLevels, int nItems) {
    CCapture c = CaptureArguments(objectArray, nLevels, nItems);
    EndCapture(c, true);
    return c.dSeconds;
}

double MedianCaptureSeconds(const VARIANT& objectArray, int nLevels, int nItems, int n) {
    std::vector<double> t;
    for (int i = -3; i < n; ++i) {
        const double d = CaptureSeconds(objectArray, nLevels, nItems);
        if (i >= 0) t.push_back(d);
    }
    return Median(t);
}

VARIANT MakeWidePairs(size_t n) {
    SAFEARRAYBOUND b = {static_cast<ULONG>(2 * n), 0};
    SAFEARRAY* psa = SafeArrayCreate(VT_VARIANT, 1, &b);
    VARIANT* e = static_cast<VARIANT*>(psa->pvData);
    wchar_t buf[32];
    for (size_t i = 0; i < n; ++i) {
        swprintf(buf, 32, L"m%zu", i);
        e[2 * i].vt = VT_BSTR;
        e[2 * i].bstrVal = SysAllocString(buf);
        if (i & 1) {
            e[2 * i + 1].vt = VT_BSTR;
            e[2 * i + 1].bstrVal = SysAllocString(L"a string value");
        } else {
            e[2 * i + 1].vt = VT_I4;
            e[2 * i + 1].lVal = static_cast<LONG>(i);
        }
    }
    VARIANT arg;
    VariantInit(&arg);
    arg.vt = VT_ARRAY | VT_VARIANT;
    arg.parray = psa;
    return arg;
}
