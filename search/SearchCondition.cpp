// Search conditions, the member tests, the found-node map operations and the
// condition set with its copy onto a condition skeleton.
#include "search/SearchCondition.h"
#include "server/core/Except.h"
#include <cwchar>
#include <new>

namespace {

WCHAR Fold(WCHAR c) { return (c >= L'A' && c <= L'Z') ? (WCHAR)(c + (L'a' - L'A')) : c; }

// n code units of a and b, <0, 0, >0; bCase clear folds A-Z.
int CompareUnits(const WCHAR* a, const WCHAR* b, size_t n, BOOL bCase)
{
    for (size_t i = 0; i < n; ++i) {
        WCHAR x = a[i], y = b[i];
        if (!bCase) { x = Fold(x); y = Fold(y); }
        if (x != y)
            return x < y ? -1 : 1;
    }
    return 0;
}

int CompareTexts(const WCHAR* a, size_t na, const WCHAR* b, size_t nb, BOOL bCase)
{
    const int c = CompareUnits(a, b, na < nb ? na : nb, bCase);
    if (c)
        return c;
    return na == nb ? 0 : na < nb ? -1 : 1;
}

bool Holds(DWORD r, int nOperator)
{
    switch (nOperator) {
    case SOP_EQUAL:         return (r & SVC_EQUAL) != 0;
    case SOP_NOT_EQUAL:     return (r & SVC_NOT_EQUAL) != 0;
    case SOP_LESS:          return (r & SVC_LESS_BIT) != 0;
    case SOP_GREATER:       return (r & SVC_GREATER_BIT) != 0;
    case SOP_LESS_EQUAL:    return (r & (SVC_EQUAL | SVC_LESS_BIT)) != 0;
    case SOP_GREATER_EQUAL: return (r & (SVC_EQUAL | SVC_GREATER_BIT)) != 0;
    default:                return false;
    }
}

LPCOLESTR ValueText(const CLogNode* pMember)
{
    return (pMember && pMember->m_pEntry) ? pMember->m_pEntry->m_value.m_str : L"";
}

bool IsNumericKind(int k) { return k == SVK_INTEGER || k == SVK_POINT || k == SVK_EXPONENT; }

bool Evaluate(CSearchValue& value, const CLogNode* pMember, int nOperator, BOOL bCase, bool bAnd)
{
    const int k = value.Kind();
    if (k == SVK_NULL)
        return bAnd;   // an empty comparison leaves the outcome to the other one
    if (k == SVK_STRING)
        return TestStringValue(value, pMember, nOperator, bCase);
    if (IsNumericKind(k))
        return TestNumericValue(value, pMember, nOperator);
    return TestTypedValue(value, pMember, nOperator);
}

void DeleteChain(CSearchCondition* c)
{
    while (c) {
        CSearchCondition* n = c->m_pSameNode;
        delete c;
        c = n;
    }
}

// Visits every condition of the map, those sharing a node included.
template <class F> void ForEachCondition(const CConditionMap& map, F f)
{
    for (const auto& e : map)
        for (CSearchCondition* c = e.second; c; c = c->m_pSameNode)
            f(c);
}

CSearchCondition* NewCondition()
{
    try {
        CSearchCondition* c = new (std::nothrow) CSearchCondition;
        if (!c)
            throw CExcept(ZV_ERR_MEMORY);
        return c;
    } catch (const std::bad_alloc&) {
        throw CExcept(ZV_ERR_MEMORY);
    }
}

// A copy of the node (own entry) linked under pParent.
CLogNode* InsertCopy(CLogNode* pParent, const CLogNode* pNode)
{
    CLogNode* c = AllocNode();
    try {
        c->NodeCopyEntry(pNode);
    } catch (...) {
        FreeNodeTree(c);
        throw;
    }
    return NodeFindOrInsertChild(pParent, c, TRUE);
}

} // namespace

// ---- CSearchCondition -------------------------------------------------------------

CSearchCondition::CSearchCondition() : m_reserved{ 0, 0 }, m_flags(0), m_pSameNode(nullptr) {}

CSearchCondition::~CSearchCondition() {}

bool CSearchCondition::IsValid() const
{
    if (Operator1() == SOP_NONE || m_text1.IsEmpty())
        return false;
    if (Operator2() != SOP_NONE)
        return !m_text2.IsEmpty();
    return m_text2.IsEmpty();
}

void CSearchCondition::SetComparison1(LPCOLESTR pszText, int nOperator, BOOL bCase)
{
    m_text1 = pszText;
    m_flags = (m_flags & ~(SCF_OP1_MASK | SCF_CASE1)) | (((DWORD)nOperator & 15) << SCF_OP1_SHIFT) |
              (bCase ? SCF_CASE1 : 0);
}

void CSearchCondition::SetComparison2(LPCOLESTR pszText, int nOperator, BOOL bCase)
{
    m_text2 = pszText;
    m_flags = (m_flags & ~(SCF_OP2_MASK | SCF_CASE2)) | (((DWORD)nOperator & 15) << SCF_OP2_SHIFT) |
              (bCase ? SCF_CASE2 : 0);
}

bool CSearchCondition::Match(const CLogNode* pMember)
{
    const bool bAnd = (m_flags & SCF_AND) != 0;
    const bool r1 = Evaluate(m_value1, pMember, Operator1(), (m_flags & SCF_CASE1) != 0, bAnd);
    if (bAnd ? !r1 : r1)
        return r1;
    return Evaluate(m_value2, pMember, Operator2(), (m_flags & SCF_CASE2) != 0, bAnd);
}

// ---- member tests ---------------------------------------------------------------

int GetTypeCategory(const CLogNode* pMember)
{
    if (!pMember || !pMember->m_pEntry)
        return STC_OTHER;
    const WCHAR* t = pMember->m_pEntry->m_type.m_str;
    switch (t[0]) {
    case L'B': return t[1] == L'S' ? STC_OTHER : STC_INTEGER;
    case L'C': return t[1] == L'H' ? STC_INTEGER : STC_FLOATING;
    case L'D': return t[1] == L'A' ? STC_DATE : t[1] == L'E' ? STC_DECIMAL : STC_FLOATING;
    case L'F': return STC_FLOATING;
    case L'I': return t[1] == L'N' ? STC_INTEGER : STC_OTHER;
    case L'L':
    case L'U': return STC_INTEGER;
    case L'S': return t[1] == L'H' ? STC_INTEGER : STC_OTHER;
    case L'V': return wcslen(t) >= 9 && t[8] == L'B' ? STC_BOOLEAN : STC_OTHER;
    default:   return STC_OTHER;
    }
}

bool TestStringValue(CSearchValue& value, const CLogNode* pMember, int nOperator, BOOL bCase)
{
    const WCHAR* s = value.m_text.m_str;
    const size_t n = wcslen(s);
    LPCOLESTR t = ValueText(pMember);
    const size_t nt = wcslen(t);
    switch (nOperator) {
    case SOP_BEGINS:
        return nt >= n && CompareUnits(t, s, n, bCase) == 0;
    case SOP_ENDS:
        return nt >= n && CompareUnits(t + nt - n, s, n, bCase) == 0;
    case SOP_CONTAINS:
        return pMember && pMember->m_pEntry && pMember->m_pEntry->m_value.Contains(s, (int)n, bCase);
    case SOP_EQUAL:
    case SOP_NOT_EQUAL:
    case SOP_LESS:
    case SOP_GREATER:
    case SOP_LESS_EQUAL:
    case SOP_GREATER_EQUAL: {
        const int c = CompareTexts(t, nt, s, n, bCase);
        return Holds(c == 0 ? SVC_EQUAL : c < 0 ? SVC_LESS : SVC_GREATER, nOperator);
    }
    default:
        return false;
    }
}

bool TestNumericValue(CSearchValue& value, const CLogNode* pMember, int nOperator)
{
    LPCOLESTR t = ValueText(pMember);
    CSearchValue m;
    switch (GetTypeCategory(pMember)) {
    case STC_INTEGER: {
        const WCHAR* comma = wcschr(t, L',');
        m.ParseNumberText(t, comma ? (int)(comma - t) : -1);   // the decimal part
        break;
    }
    case STC_FLOATING:
    case STC_DECIMAL:
        m.ParseNumberText(t, -1);
        break;
    default:
        return nOperator == SOP_NOT_EQUAL;   // cannot be compared
    }
    // A member text that shows no number (an empty INT, infinity, NaN) is
    // Null: it cannot be compared, and only "!=" holds.
    return Holds(m.Compare(value), nOperator);
}

bool TestTypedValue(CSearchValue& value, const CLogNode* pMember, int nOperator)
{
    LPCOLESTR t = ValueText(pMember);
    const int cat = GetTypeCategory(pMember);
    CSearchValue m;
    switch (value.Kind()) {
    case SVK_HEX:
        if (cat != STC_INTEGER)
            break;
        if (const WCHAR* comma = wcschr(t, L',')) {
            const WCHAR* p = comma + 1;
            if (*p == L' ')
                ++p;
            m.ParseNumberText(p, -1);   // the hexadecimal part
        }
        break;
    case SVK_DATE:
        if (cat == STC_DATE)
            m.ParseDateText(t);
        break;
    case SVK_BOOLEAN:
        if (cat == STC_BOOLEAN)
            m.ParseBooleanText(t);
        break;
    default:
        break;
    }
    // A member of another category, or one whose text shows no value (a
    // null reference, an empty INT), stays Null: it cannot be compared, and
    // only "!=" holds.
    return Holds(m.Compare(value), nOperator);
}

// ---- found-node map ----------------------------------------------------------------

int AddFoundNode(CFoundNodeMap& map, CLogNode* pNode, CSearchCondition* pCondition)
{
    if (!pNode || map.count(pNode))
        return 0;
    if (pCondition)
        map[pNode] = pCondition;
    if (CLogNode* r = FindEntryRoot(pNode))
        map[r] = nullptr;
    return 1;
}

bool IsFoundNode(const CFoundNodeMap& map, const CLogNode* pNode, BOOL bMarkedOnly)
{
    if (!pNode)
        return false;
    if (pNode->m_pEntry && pNode->m_pEntry->Kind() == LOGK_CALL)
        return false;
    auto it = map.find(const_cast<CLogNode*>(pNode));
    if (it == map.end())
        return false;
    if (bMarkedOnly)
        return it->second && it->second->IsMarked();
    return true;
}

// ---- CSearchConditionSet -------------------------------------------------------------

CSearchConditionSet::CSearchConditionSet() : m_options(0), m_cursor(m_conditions.end()) {}

CSearchConditionSet::~CSearchConditionSet()
{
    Clear();
}

CSearchCondition* CSearchConditionSet::FindCondition(CLogNode* pNode) const
{
    auto it = m_conditions.find(pNode);
    return it == m_conditions.end() ? nullptr : it->second;
}

CSearchCondition* CSearchConditionSet::GetOrCreateCondition(CLogNode* pNode)
{
    auto it = m_conditions.find(pNode);
    if (it != m_conditions.end() && it->second)
        return it->second;
    CSearchCondition* c = NewCondition();
    try {
        c->SetColorIndex(LeastUsedColor());
        m_conditions[pNode] = c;
    } catch (const std::bad_alloc&) {
        delete c;
        throw CExcept(ZV_ERR_MEMORY);
    }
    return c;
}

int CSearchConditionSet::LeastUsedColor() const
{
    int counts[8] = {};
    ForEachCondition(m_conditions, [&](const CSearchCondition* c) {
        if (c->IsEnabled() && c->ColorIndex() < 8)
            ++counts[c->ColorIndex()];
    });
    int best = 0;
    for (int i = 1; i < 8; ++i)
        if (counts[i] < counts[best])
            best = i;
    return best;
}

int CSearchConditionSet::CountEnabled() const
{
    int n = 0;
    ForEachCondition(m_conditions, [&](const CSearchCondition* c) {
        if (c->IsEnabled())
            ++n;
    });
    return n;
}

int CSearchConditionSet::Validate()
{
    int nAll = 0, nDisabled = 0, nInvalid = 0;
    ForEachCondition(m_conditions, [&](CSearchCondition* c) {
        ++nAll;
        if (!c->IsEnabled()) {
            ++nDisabled;
        } else if (!c->IsValid()) {
            c->m_flags |= SCF_INVALID;
            ++nInvalid;
        }
    });
    if (nAll == 0 || nDisabled == nAll)
        return -1;
    return nInvalid;
}

void CSearchConditionSet::Clear()
{
    for (auto& e : m_conditions)
        DeleteChain(e.second);
    m_conditions.clear();
    m_cursor = m_conditions.end();   // a position in the emptied map would dangle
    if (m_root.m_pChildren) {
        CLogNode* pTail;
        CLogNode* pList = NodeTreeToList(m_root.m_pChildren, pTail);
        m_root.m_pChildren = nullptr;
        FreeNodeTree(pList);
    }
}

CLogNode* CSearchConditionSet::MapNode(CLogNode* pNode, CLogNode* pParent)
{
    if (!pNode || !pParent)
        return nullptr;
    CLogNode* pOwner = nullptr;
    for (CLogNode* q = pNode; q->m_pBack; q = q->m_pBack) {
        if (q->m_pBack->m_pChildren == q) {
            pOwner = q->m_pBack;
            break;
        }
    }
    if (pOwner) {
        CLogNode* q = MapNode(pOwner, pParent);
        if (!q)
            return nullptr;
        if (CLogNode* t = NodeFindChild(q, pNode))
            return t;
        return InsertCopy(q, pNode);
    }
    CLogNode* g = nullptr;
    if (m_options & SSO_CLIENT)
        g = NodeFindOrInsertClient(pParent, NodeClientId(pNode));
    if (!(m_options & SSO_LABEL))
        return g ? g : pParent;
    CLogNode* pBase = g ? g : pParent;
    if (CLogNode* t = NodeFindChild(pBase, pNode))
        return t;
    return InsertCopy(pBase, pNode);
}

int CSearchConditionSet::CopyFrom(const CSearchConditionSet* pSource)
{
    Clear();
    if (!pSource)
        return 0;
    m_options = pSource->m_options;
    CSearchValue::ReadMemberLocale();
    int nCopied = 0;
    for (const auto& e : pSource->m_conditions) {
        const CSearchCondition* src = e.second;
        if (!src || !(src->m_flags & SCF_ENABLED) || !src->IsValid())
            continue;
        CLogNode* s = MapNode(e.first, &m_root);
        CSearchCondition* c;
        if (CSearchCondition* pHeld = FindCondition(s)) {
            // Another condition already sits on this path: both stay, and a
            // member is tested against each in turn.
            c = NewCondition();
            CSearchCondition* pLast = pHeld;
            while (pLast->m_pSameNode)
                pLast = pLast->m_pSameNode;
            pLast->m_pSameNode = c;
        } else {
            c = GetOrCreateCondition(s);
        }
        c->m_flags = src->m_flags;
        c->m_text1 = src->m_text1;
        c->m_text2 = src->m_text2;
        c->m_reserved[0] = src->m_reserved[0];
        c->m_reserved[1] = src->m_reserved[1];
        if (c->Operator1() >= SOP_BEGINS)
            c->m_value1.SetString(c->m_text1);
        else
            c->m_value1.Parse(c->m_text1);
        if (c->Operator2() >= SOP_BEGINS)
            c->m_value2.SetString(c->m_text2);
        else
            c->m_value2.Parse(c->m_text2);
        ++nCopied;
    }
    CLogNode* pTail;
    CLogNode* pList = NodeTreeToList(m_root.m_pChildren, pTail);
    m_root.m_pChildren = NodeListToTree(pList, NodeCountList(pList));
    return nCopied;
}
