// Tree search: highlighting the hits of a condition set and building result trees.
#include "search/SearchCondition.h"
#include "server/core/Except.h"

CLogNode* CSearchConditionSet::SkeletonFor(CLogNode*) { return nullptr; }
int CSearchConditionSet::HighlightMatches(CLogNode*, CFoundNodeMap&) { return 0; }
int CSearchConditionSet::BuildResultTree(CLogNode*, CFoundNodeMap&, CLogNode*& pHead) { pHead = nullptr; return 0; }
int CSearchConditionSet::MatchByPath(CLogNode*, CLogNode*, CFoundNodeMap&) { return 0; }
int CSearchConditionSet::MatchByName(CLogNode*, CLogNode*, CLogNode*, CFoundNodeMap&) { return 0; }
int CSearchConditionSet::BuildByPath(CLogNode*, CLogNode*, CFoundNodeMap&, CLogNode*& pOut) { pOut = nullptr; return 0; }
int CSearchConditionSet::BuildByName(CLogNode*, CLogNode*, CLogNode*, CFoundNodeMap&, CLogNode*& pOut) { pOut = nullptr; return 0; }
int CSearchConditionSet::BuildLeaf(CLogNode*, CLogNode*, CFoundNodeMap&, CLogNode*& pNode) { pNode = nullptr; return 0; }
int CSearchConditionSet::TestSkeletonNode(CLogNode*, CLogNode*, CFoundNodeMap&) { return 0; }
CSearchCondition* CSearchConditionSet::MatchingCondition(CLogNode*, CLogNode*, bool& b) { b = false; return nullptr; }
int CSearchConditionSet::BuildMember(CLogNode*, CLogNode*, CLogNode*, CFoundNodeMap&, bool, CLogNode*& pNode) { pNode = nullptr; return 0; }
