// Typed search values: parsing and comparison.
#include "search/SearchValue.h"
#include "server/core/Except.h"

CSearchValue::CSearchValue() : m_format(0) {}
CSearchValue::~CSearchValue() {}
int CSearchValue::Parse(LPCOLESTR) { m_format = 0; return SVK_NULL; }
LPCOLESTR CSearchValue::SetString(LPCOLESTR psz) { m_text = psz; m_aux.Empty(); m_format = (m_format & ~SVF_KIND_MASK) | SVK_STRING; return m_text; }
int CSearchValue::ParseNumberText(LPCOLESTR, int) { m_format = 0; return SVK_NULL; }
void CSearchValue::ParseDateText(LPCOLESTR) {}
void CSearchValue::ParseBooleanText(LPCOLESTR) {}
DWORD CSearchValue::Compare(CSearchValue&) { return SVC_NOT_EQUAL; }
LPCWSTR CSearchValue::GetTypeName() const { return L""; }
void CSearchValue::ToExponentForm() {}
void CSearchValue::ToPointForm() {}
int CSearchValue::NormalizeNumber(LPCWSTR, int, LPCWSTR, int, LPCWSTR, int, CBstr&, CBstr&, CBstr&) { return 2; }
