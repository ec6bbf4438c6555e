// Wrappers that count every call made on a client object: an IDispatch that
// forwards to the real object, and the ITypeInfo and IEnumVARIANT objects that
// it hands out, wrapped in turn. They show how often the capture calls back
// into the client for one object, by kind of call.
#pragma once
#include <windows.h>
#include <oleauto.h>
#include <map>
#include <string>

// Calls by kind ("IDispatch::Invoke Count", "ITypeInfo::GetFuncDesc", ...).
using CCallCounts = std::map<std::string, int>;

// A counting wrapper of pInner (which gets a reference); the counts go to
// *pCounts, which must outlive the wrapper and what it hands out.
IDispatch* WrapCounting(IDispatch* pInner, CCallCounts* pCounts);
