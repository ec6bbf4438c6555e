// Search conditions and condition sets.
#include "search/SearchCondition.h"
#include "server/core/Except.h"

CSearchCondition::CSearchCondition() : m_reserved{0, 0}, m_flags(0), m_pSameNode(nullptr) {}
CSearchCondition::~CSearchCondition() {}
bool CSearchCondition::IsValid() const { return false; }
void CSearchCondition::SetComparison1(LPCOLESTR, int, BOOL) {}
void CSearchCondition::SetComparison2(LPCOLESTR, int, BOOL) {}
bool CSearchCondition::Match(const CLogNode*) { return false; }

int GetTypeCategory(const CLogNode*) { return STC_OTHER; }
bool TestStringValue(CSearchValue&, const CLogNode*, int, BOOL) { return false; }
bool TestNumericValue(CSearchValue&, const CLogNode*, int) { return false; }
bool TestTypedValue(CSearchValue&, const CLogNode*, int) { return false; }
int AddFoundNode(CFoundNodeMap&, CLogNode*, CSearchCondition*) { return 0; }
bool IsFoundNode(const CFoundNodeMap&, const CLogNode*, BOOL) { return false; }

CSearchConditionSet::CSearchConditionSet() : m_options(0), m_cursor(m_conditions.end()) {}
CSearchConditionSet::~CSearchConditionSet() { Clear(); }
CSearchCondition* CSearchConditionSet::FindCondition(CLogNode*) const { return nullptr; }
CSearchCondition* CSearchConditionSet::GetOrCreateCondition(CLogNode*) { return nullptr; }
int CSearchConditionSet::LeastUsedColor() const { return 0; }
int CSearchConditionSet::CountEnabled() const { return 0; }
int CSearchConditionSet::Validate() { return -1; }
void CSearchConditionSet::Clear() {}
int CSearchConditionSet::CopyFrom(const CSearchConditionSet*) { return 0; }
CLogNode* CSearchConditionSet::MapNode(CLogNode*, CLogNode*) { return nullptr; }
