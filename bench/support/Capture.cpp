#include "bench/support/Capture.h"

#include <algorithm>
#include <cwchar>

#include "server/capture/ObjTable.h"
#include "server/core/LogNode.h"

double BenchSeconds() {
    static LARGE_INTEGER freq = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / static_cast<double>(freq.QuadPart);
}

CCapture CaptureArguments(const VARIANT& objectArray, int nLevels, int nItems) {
    CCapture c;
    c.pTable = new CObjTable;
    const double t0 = BenchSeconds();
    c.pTree = c.pTable->BuildArgumentTree(&objectArray, nLevels, nItems);
    c.dSeconds = BenchSeconds() - t0;
    return c;
}

void EndCapture(CCapture& c, bool bFreeTree) {
    delete c.pTable;
    c.pTable = nullptr;
    if (bFreeTree && c.pTree) FreeNodeTree(c.pTree);
    c.pTree = nullptr;
}

double MedianCaptureSeconds(const VARIANT& objectArray, int nLevels, int nItems, int n) {
    std::vector<double> t;
    for (int i = -3; i < n; ++i) {
        CCapture c = CaptureArguments(objectArray, nLevels, nItems);
        if (i >= 0) t.push_back(c.dSeconds);
        EndCapture(c, true);
    }
    if (t.empty()) return 0;
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
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
