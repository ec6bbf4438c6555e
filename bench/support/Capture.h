// The capture as the main frame runs it for a call, in the benchmark's own
// process: an argument tree built into a fresh object table, timed.
#pragma once
#include <windows.h>
#include <oleauto.h>
#include <vector>

class CObjTable;
struct CLogNode;

// A captured argument tree and the table that holds its objects.
struct CCapture {
    CObjTable* pTable = nullptr;
    CLogNode* pTree = nullptr;   // the first node of the first level, or null
    double dSeconds = 0;         // BuildArgumentTree alone
};

// Captures pObjectArray down to nLevels levels, at most nItems items per
// collection or array (the main frame passes NestLevel and ArrayRange).
CCapture CaptureArguments(const VARIANT& objectArray, int nLevels, int nItems);
// Destroys the table (the tree's nodes stay unless bFreeTree).
void EndCapture(CCapture& c, bool bFreeTree);
// The time of one capture into a fresh table, the tree freed after it.
double CaptureSeconds(const VARIANT& objectArray, int nLevels, int nItems);
// The median time of n captures of the same argument (each into a fresh
// table, the tree freed after it), after a few to warm up.
double MedianCaptureSeconds(const VARIANT& objectArray, int nLevels, int nItems, int n);

// A pair list of n name/value pairs ("m<i>", a LONG or a string in turns):
// a VT_ARRAY | VT_VARIANT of 2n elements, for VariantClear.
VARIANT MakeWidePairs(size_t n);
