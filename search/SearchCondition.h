// Search conditions on log-tree members, the condition set of a find with its
// condition skeleton, the tree searches over a document's chain, and the two
// operations on a found-node map.
#pragma once
#include <windows.h>
#include <map>
#include "server/core/Bstr.h"
#include "server/core/LogNode.h"
#include "server/core/NodeAlgo.h"
#include "search/SearchValue.h"

// Comparison operators (condition flag bits 6-9 and 10-13).
enum : int {
    SOP_NONE        = 0,   // ""
    SOP_EQUAL       = 1,   // "="
    SOP_NOT_EQUAL   = 2,   // "!="
    SOP_LESS        = 3,   // "<"
    SOP_GREATER     = 4,   // ">"
    SOP_LESS_EQUAL  = 5,   // "<="
    SOP_GREATER_EQUAL = 6, // ">="
    SOP_BEGINS      = 7,   // "(find) *"
    SOP_ENDS        = 8,   // "* (find)"
    SOP_CONTAINS    = 9    // "* (find) *"
};

// Condition flags.
constexpr DWORD SCF_ENABLED = 0x00000001;
constexpr DWORD SCF_INVALID = 0x00000002;
constexpr DWORD SCF_COLOR_SHIFT = 2;
constexpr DWORD SCF_COLOR_MASK = 0x0000003C;
constexpr DWORD SCF_OP1_SHIFT = 6;
constexpr DWORD SCF_OP1_MASK = 0x000003C0;
constexpr DWORD SCF_OP2_SHIFT = 10;
constexpr DWORD SCF_OP2_MASK = 0x00003C00;
constexpr DWORD SCF_CASE1 = 0x00004000;
constexpr DWORD SCF_CASE2 = 0x00008000;
constexpr DWORD SCF_AND = 0x00010000;  // clear: OR
constexpr DWORD SCF_MARK = 0x00020000;  // navigation mark of the move dialog

// Options word of a condition set.
constexpr DWORD SSO_CLIENT = 0x0001;
constexpr DWORD SSO_LABEL = 0x0002;
constexpr DWORD SSO_OBJECT = 0x0004;
constexpr DWORD SSO_PATH = 0x0008;  // clear: Name
constexpr DWORD SSO_OWN_WINDOW = 0x0010;
constexpr DWORD SSO_VIEW_SHIFT = 5;
constexpr DWORD SSO_VIEW_MASK = 0x01E0;  // result view 1..7 when SSO_OWN_WINDOW is clear
constexpr DWORD SSO_MATCH_OBJECTS = 0x0200;  // clear: Search objects

// Type categories of a member (GetTypeCategory).
enum : int {
    STC_INTEGER  = 0,
    STC_FLOATING = 1,
    STC_DECIMAL  = 2,
    STC_DATE     = 3,
    STC_BOOLEAN  = 4,
    STC_OTHER    = 5
};

class CSearchCondition {
public:
    CSearchCondition();                    // throws 11
    ~CSearchCondition();
    CSearchCondition(const CSearchCondition&) = delete;
    CSearchCondition& operator=(const CSearchCondition&) = delete;

    // Operator 1 set with a text; operator 2 and text 2 both set or both empty.
    bool IsValid() const;
    // Store the text and set the operator (low 4 bits) and the case flag; the
    // values are not parsed here. Throw 11.
    void SetComparison1(LPCOLESTR pszText, int nOperator, BOOL bCase);
    void SetComparison2(LPCOLESTR pszText, int nOperator, BOOL bCase);
    // Whether the member satisfies the condition (values parsed by CopyFrom).
    bool Match(const CLogNode* pMember);

    int Operator1() const { return (int)((m_flags & SCF_OP1_MASK) >> SCF_OP1_SHIFT); }
    int Operator2() const { return (int)((m_flags & SCF_OP2_MASK) >> SCF_OP2_SHIFT); }
    int ColorIndex() const { return (int)((m_flags & SCF_COLOR_MASK) >> SCF_COLOR_SHIFT); }
    void SetColorIndex(int n) { m_flags = (m_flags & ~SCF_COLOR_MASK) | (((DWORD)n << SCF_COLOR_SHIFT) & SCF_COLOR_MASK); }
    BOOL IsEnabled() const { return (m_flags & SCF_ENABLED) != 0; }
    BOOL IsMarked() const { return (m_flags & SCF_MARK) != 0; }

    CBstr        m_text1;
    CBstr        m_text2;
    CSearchValue m_value1;
    CSearchValue m_value2;
    DWORD        m_reserved[2];
    DWORD        m_flags;        // SCF_*
    // Further conditions of a copied set that sit on the same skeleton node
    // (conditions set on one path under several call lines); owned by the set.
    CSearchCondition* m_pSameNode;
};

typedef std::map<CLogNode*, CSearchCondition*> CConditionMap;

// 0..5 (STC_*) from the first characters of the member's type text.
int GetTypeCategory(const CLogNode* pMember);
// One comparison of the member's value text with the value.
bool TestStringValue(CSearchValue& value, const CLogNode* pMember, int nOperator, BOOL bCase);
bool TestNumericValue(CSearchValue& value, const CLogNode* pMember, int nOperator);
bool TestTypedValue(CSearchValue& value, const CLogNode* pMember, int nOperator);
// Enters the node with the condition and its trace root with null; 1 when the
// node was added, 0 when it is null or already a key.
int AddFoundNode(CFoundNodeMap& map, CLogNode* pNode, CSearchCondition* pCondition);
// False for call lines and groups; else whether the node is a key (marked
// only: mapped to a condition with the navigation mark).
bool IsFoundNode(const CFoundNodeMap& map, const CLogNode* pNode, BOOL bMarkedOnly);

class CSearchConditionSet {
public:
    CSearchConditionSet();
    ~CSearchConditionSet();                // Clear()
    CSearchConditionSet(const CSearchConditionSet&) = delete;
    CSearchConditionSet& operator=(const CSearchConditionSet&) = delete;

    CSearchCondition* FindCondition(CLogNode* pNode) const;
    // The node's condition, made (not enabled, least used colour) when
    // missing; throws 9 or 11.
    CSearchCondition* GetOrCreateCondition(CLogNode* pNode);
    int LeastUsedColor() const;
    int CountEnabled() const;
    // -1: no condition, or none enabled; else the enabled conditions that are
    // not valid (each gets SCF_INVALID).
    int Validate();
    // Frees every condition and the skeleton; options and cursor stay.
    void Clear();
    // Clears this set and copies the source's enabled, valid conditions onto
    // a condition skeleton of its own; returns the number copied.
    int CopyFrom(const CSearchConditionSet* pSource);
    // The skeleton node under pParent that stands for pNode (made when missing).
    CLogNode* MapNode(CLogNode* pNode, CLogNode* pParent);

    // Tree search over a chain of call lines (the set must be a copy).
    // Marks the hits in the map; returns the number newly entered.
    int HighlightMatches(CLogNode* pFirst, CFoundNodeMap& map);
    // Builds a chain of bare nodes sharing the source's entries into pHead
    // (null on entry) and enters its hits in the map; returns the hit count.
    // An exception leaves pHead null, frees what was built and removes it
    // from the map.
    int BuildResultTree(CLogNode* pFirst, CFoundNodeMap& map, CLogNode*& pHead);

    // Parts of the searches.
    CLogNode* SkeletonFor(CLogNode* pCall);
    int MatchByPath(CLogNode* pSkel, CLogNode* pChain, CFoundNodeMap& map);
    int MatchByName(CLogNode* pRoot, CLogNode* pCursor, CLogNode* pChain, CFoundNodeMap& map);
    int BuildByPath(CLogNode* pSkel, CLogNode* pChain, CFoundNodeMap& map, CLogNode*& pOut);
    int BuildByName(CLogNode* pRoot, CLogNode* pCursor, CLogNode* pChain, CFoundNodeMap& map,
                    CLogNode*& pOut);
    int BuildLeaf(CLogNode* pSkel, CLogNode* pMember, CFoundNodeMap& map, CLogNode*& pNode);

    CConditionMap           m_conditions;  // owned conditions by node
    CLogNode                m_root;        // pseudo-root; m_pChildren holds the skeleton
    DWORD                   m_options;     // SSO_*
    CConditionMap::iterator m_cursor;      // for owners that walk the map; end() when cleared

private:
    // The first condition of the skeleton node that the member meets (null
    // when none); bConditioned tells whether the node carries any.
    CSearchCondition* MatchingCondition(CLogNode* pSkel, CLogNode* pMember, bool& bConditioned);
    int TestSkeletonNode(CLogNode* pSkel, CLogNode* pMember, CFoundNodeMap& map);
    // The result node of one member met at a skeleton node, with what lies
    // below it; bRecurse: search the member's children (from pCursor in Name
    // mode, null for fresh starts).
    int BuildMember(CLogNode* pSkel, CLogNode* pRoot, CLogNode* pCursor, bool bRecurse,
                    CLogNode* pMember, CFoundNodeMap& map, CLogNode*& pNode);
};
