// Log entries made from client values: the type text of a VARIANT type code,
// the value text of a VARIANT, and the member node of a value or of one
// name/value pair. Main thread only (the nodes come from the node pools).
#pragma once
#include <windows.h>
#include <oleauto.h>
#include "server/core/Bstr.h"
#include "server/core/LogNode.h"

// Static type text of a VARIANT type code ("LONG", "BSTR*", "SAFEARRAY*", ...);
// "" for a code without a text. Never null, never freed.
LPCWSTR VarTypeName(VARTYPE vt);

// Replaces str with the value text of the VARIANT and returns it. A
// by-reference value is shown through its reference (a null reference, or a
// value that cannot be converted, gives ""); an array gives "". Object,
// VARIANT, IUnknown, INT, UINT and record values leave str unchanged. A
// DECIMAL that cannot be turned into text (a scale above 28, a sign other
// than 0 and DECIMAL_NEG), by value or by reference, gives the text of the
// error value DISP_E_BADVARTYPE.
LPCOLESTR SetValueFromVariant(const VARIANT* pVar, CBstr& str);

// The value text of a VARIANT that is neither by reference nor an array
// (such a VARIANT gives ""), chosen by its type.
LPCOLESTR FormatVariantValue(const VARIANT* pVar, CBstr& str);

// The system's conversion of the value to a string ("" when it fails, and
// for a DECIMAL that cannot be turned into text, which is not converted).
LPCOLESTR VariantToText(const VARIANT* pVar, CBstr& str);

// Replaces the value text of the node's entry (null gives ""); nothing for a
// node without an entry.
void NodeSetValueText(CLogNode* pNode, LPCOLESTR pszText);

// A new unlinked node from the pools for the value: name, type text and
// value text, or for a non-null object or array its pointer as key with kind
// 2 or 3 and the bits "members can still be loaded". A DECIMAL that cannot
// be turned into text gives the node of the error value DISP_E_BADVARTYPE
// (type "SCODE"), as an array element of the wrong type does. The caller
// keeps the VARIANT and owns the node. Throws CExcept 10 / 11.
CLogNode* NodeFromVariant(const VARIANT* pVar, LPCOLESTR pszName);

// The node of one name/value pair: a string name is used as it is, any other
// name becomes "(? <value text of the name>)".
CLogNode* NodeFromNameValue(const VARIANT* pValue, const VARIANT* pName);

// The display name of a variable: an all-digit name becomes "[ <name> ]".
LPCOLESTR MakeVariableName(LPCOLESTR pszName, CBstr& str);

// The fixed name "(NULL)" of a null object or array.
extern const WCHAR g_szNullValue[];
