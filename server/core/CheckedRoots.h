// The checked-root set of a tree document and the regrouping of the checked
// members into the working trees of the extract and find dialogs.
// Log thread. Pool and string failures throw CExcept 10 / 11.
#pragma once
#include <set>
#include "server/core/LogNode.h"

// Trace roots (entry kind 1) under which at least one node is checked in the
// document's view, ordered by node identity.
typedef std::set<CLogNode*> CCheckedRootSet;

// The node itself or the first node along back links whose entry is kind 1; null when none.
CLogNode* NodeTraceRoot(CLogNode* pNode);

// Keeps the set up to date for pNode's trace root after a check toggle.
void UpdateCheckedRoots(CCheckedRootSet& set, CLogNode* pNode, BOOL bChecked, int nView);
// TRUE when any node of the chain or of their subtrees is checked in nView.
BOOL AnyNodeChecked(const CLogNode* pChain, int nView);
// Clears nView's checked bits under every recorded root (and the nodes that
// follow it) and empties the set.
void UncheckAllRoots(CCheckedRootSet& set, int nView);
// One copy per contributing root, in set order; null when nothing contributes.
CLogNode* CopyCheckedRoots(const CCheckedRootSet& set, int nView, BOOL bObject, BOOL bPath, BOOL bFind);
// Puts the copies under group nodes; returns the chain of group nodes. When
// it throws, no group is left and the chain is whole again, from its first node.
CLogNode* GroupRootsByClientAndLabel(CLogNode* pChain, BOOL bClient, BOOL bLabel);
// Replaces each group's call-line copies by one merged member search tree.
CLogNode* MergeGroupMembers(CLogNode* pGroups);
// Child search trees of each node of the chain to ordered lists (all levels).
CLogNode* ChildTreesToLists(CLogNode* pChain);
// Child lists of each node of the chain to balanced search trees (all levels).
CLogNode* ChildListsToTrees(CLogNode* pChain);

// Steps of the above.
CLogNode* CopyCheckedPaths(const CLogNode* p, int nView, BOOL bFind);
CLogNode* CopyCheckedByName(const CLogNode* p, int nView, BOOL bFind);
CLogNode* CopyCheckedContainer(const CLogNode* c);
CLogNode* WrapInContainer(const CLogNode* c, CLogNode* pList);
CLogNode* TakeGroup(CLogNode*& pChain, BOOL bClient, BOOL bLabel);
BOOL IsSameGroup(const CLogNode* a, const CLogNode* b, BOOL bClient, BOOL bLabel);
CLogNode* MakeGroupNode(CLogNode* pList, BOOL bClient, BOOL bLabel);
CLogNode* MergeRootMembers(CLogNode* r1);
