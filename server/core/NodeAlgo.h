// Operations on log trees: list / child-search-tree conversion, the child
// orderings, search, insertion, merge, copies, walks and row counts, and the
// extract result. Free functions without state; any thread may run them on
// trees it owns. Pool and string failures throw CExcept 10 / 11.
#pragma once
#include <windows.h>
#include <map>
#include <vector>
#include "server/core/LogNode.h"

class CSearchCondition;
// Result of a find: matched node -> condition it met (null for a trace root).
// The map does not own the conditions.
typedef std::map<CLogNode*, CSearchCondition*> CFoundNodeMap;

// ---- orderings (key against node: <0 less, 0 equal, >0 greater) ---------
// Unsigned code-unit comparison; a name that ends first is smaller.
int CompareNamesExact(LPCWSTR pszKey, LPCWSTR pszNode);
// The same with only A-Z folded to a-z.
int CompareNamesNoCase(LPCWSTR pszKey, LPCWSTR pszNode);
// Index vector of a node's name: split at any of " [],Item", each segment read
// as a signed decimal (no digits gives 0), stored as 32-bit unsigned.
void ParseIndexVector(const CLogNode* pNode, std::vector<DWORD>& vec);
void ParseIndexVector(LPCWSTR pszName, std::vector<DWORD>& vec);
// Fewer values is smaller; else value by value, unsigned.
int CompareIndexVectors(const std::vector<DWORD>& key, const std::vector<DWORD>& node);
// Client id byte (flag bits 0-7) of the node's entry; 0 without entry.
int NodeClientId(const CLogNode* pNode);

// ---- tree forms ------------------------------------------------------------
// Balanced child search tree of the n nodes from pHead (already in order),
// child lists converted too. n = 0 gives null.
CLogNode* NodeListToTree(CLogNode* pHead, int n);
// In-order list of a child search tree, all levels; returns the head (back
// null) and stores the last node in pTail. Null gives null and a null tail.
CLogNode* NodeTreeToList(CLogNode* pRoot, CLogNode*& pTail);
// Number of nodes of a list along next links.
int NodeCountList(const CLogNode* pHead);

// ---- search and insertion in child search trees ---------------------------
// Child of pParent equal to pKey (exact name order, index order under kinds 3, 4).
CLogNode* NodeFindChild(CLogNode* pParent, const CLogNode* pKey);
// As NodeFindChild (bExact FALSE: A-Z folded; index order under kinds 3, 4
// regardless); links pKey (null next/back) as a new leaf when there is no
// equal child and returns it, else returns the equal child.
CLogNode* NodeFindOrInsertChild(CLogNode* pParent, CLogNode* pKey, BOOL bExact);
// Inserts every node of pChain into pParent's child tree, merging equal nodes
// at every level (later duplicates go back to the pools).
void NodeMergeChildren(CLogNode* pParent, CLogNode* pChain, BOOL bExact);
// Child of pParent (a tree in client order) with the client id; created with
// AllocNode when missing.
CLogNode* NodeFindOrInsertClient(CLogNode* pParent, int nClientId);
// Linear search along next links for the first node named exactly as pKey.
CLogNode* NodeFindSiblingByName(CLogNode* pChain, const CLogNode* pKey);

// ---- walks and tests (list form) -------------------------------------------
// Last row of the fully expanded chain of pNode.
CLogNode* NodeLastDescendant(CLogNode* pNode);
// Post-order chain through next links of pNode, its following siblings and
// all descendants; children links cleared. Null leaves head/tail untouched.
CLogNode* NodeFlattenSubtree(CLogNode* pNode, CLogNode*& pHead, CLogNode*& pTail);
// TRUE when walking next links from pFrom reaches pA before pStop (pA tested first).
BOOL NodeIsBefore(const CLogNode* pA, const CLogNode* pFrom, const CLogNode* pStop);
// Walks from pStart in display order; returns pA or pB, whichever comes first.
CLogNode* NodeFirstOf(CLogNode* pStart, CLogNode* pA, CLogNode* pB);
// Appends pChain to the list (pHead, pTail); returns the new tail.
CLogNode* NodeListAppend(CLogNode*& pHead, CLogNode*& pTail, CLogNode* pChain);
// The trace root of a node: the node itself when its entry is a call line or
// group (kind 1), else the first such node met along back links (previous
// sibling, or parent for a first child); bare nodes are passed over. Null for
// null or when the walk ends first. Reads only links and entries.
CLogNode* FindEntryRoot(CLogNode* pNode);

// ---- copies ---------------------------------------------------------------
// Copy of the chain with all descendants; own entries (NodeCopyEntry).
CLogNode* NodeCopyTree(const CLogNode* pChain);
// Copy of the chain alone, without children.
CLogNode* NodeCopySiblings(const CLogNode* pChain);
// Copy of the chain with all descendants as bare nodes sharing the entries.
CLogNode* NodeShareTree(const CLogNode* pChain);
// Clears the checked bit of nView on the chain and all descendants.
void NodeUncheckTree(CLogNode* pChain, int nView);

// ---- extract merge --------------------------------------------------------
// Result chain of bare nodes sharing the master list's entries, null when no
// call line matched. pGroups: group nodes with member child search trees.
CLogNode* BuildExtractResult(CLogNode* pMaster, CLogNode* pGroups,
                             BOOL bClient, BOOL bLabel, BOOL bObject, BOOL bPath);
// The first group that the call line belongs to, or null.
CLogNode* FindExtractGroup(CLogNode* pCall, CLogNode* pGroups, BOOL bClient, BOOL bLabel);
// Shared copies of the members that the group's member tree selects.
CLogNode* NodeShareSelected(CLogNode* pMembers, CLogNode* pGroup, BOOL bPath);

// ---- row counts for the paged views -----------------------------------------
// Rows shown below pNode when it is expanded (its own bit not consulted).
int NodeCountExpandedRows(const CLogNode* pNode, int nView);
// Rows in display order from pFrom to pTo, both counted; each is set to null when met.
int NodeRowsBetween(CLogNode* pChain, CLogNode*& pFrom, CLogNode*& pTo, int nView);
// Empties a found-node map (the conditions are not freed).
void ClearFoundNodes(CFoundNodeMap& map);
