// The readable members of the types that a client's objects have shown: the
// result of the walk over a type's variables and property getters, worked
// out once and kept, per client, for as long as that client stays connected,
// so that a client handing over objects of one type in call after call pays
// the walk once. A type is known by its GUID, its kind and its locale; a type
// without a GUID is never kept (each call walks it again), nor one that no
// type library holds: script engines give every script object a type of one
// GUID whose members are that object's own. Main thread only.
#pragma once
#include <windows.h>
#include <oleauto.h>
#include <memory>
#include <utility>
#include <vector>
#include "server/core/Bstr.h"

// One readable member of a type.
struct CTypeMember {
    MEMBERID memid = 0;
    BSTR     name = nullptr;   // shown name, owned
    UINT     nSortPos = 0;     // place in the sorted chain
    CTypeMember() = default;
    CTypeMember(CTypeMember&& src) noexcept
        : memid(src.memid), name(src.name), nSortPos(src.nSortPos) { src.name = nullptr; }
    CTypeMember& operator=(CTypeMember&& src) noexcept
    {
        std::swap(memid, src.memid);
        std::swap(name, src.name);
        std::swap(nSortPos, src.nSortPos);
        return *this;
    }
    CTypeMember(const CTypeMember&) = delete;
    CTypeMember& operator=(const CTypeMember&) = delete;
    ~CTypeMember() { SysFreeString(name); }
};

// What the capture reads of one type: its name and, once walked, its
// variables and accepted property getters in reading order.
struct CTypeMembers {
    CBstr name;                       // "" when the type names none
    bool  bWalked = false;
    std::vector<CTypeMember> vars;    // duplicates dropped
    std::vector<CTypeMember> props;
};

// What identifies a type across calls: its GUID, kind and locale, and (as
// a guard) its version and member counts.
struct CTypeKey {
    GUID     guid;
    TYPEKIND kind;
    LCID     lcid;
    WORD     wMajor, wMinor;
    WORD     cFuncs, cVars;
    bool operator<(const CTypeKey& o) const;
};

class CClientTypes {
public:
    // A client object with this id was made / is gone. The types of an id
    // are kept only while exactly one client object holds it (ids repeat
    // after the log was emptied under connected clients); the last one to go
    // takes them with it.
    static void Connected(UINT nClient);
    static void Disconnected(UINT nClient);
    // Drops every client's types (Release Memory, the log emptied).
    static void ForgetAll();

    // Whether the types of this client are kept at all.
    static bool Keeps(UINT nClient);
    // The walked type of a client, or null; bUnkept: the key names no fixed
    // type (Unkept), so that it is not asked again.
    static std::shared_ptr<const CTypeMembers> Find(UINT nClient, const CTypeKey& key, bool& bUnkept);
    // Keeps a walked type for the client (when it keeps types). Throws
    // CExcept 9 when memory runs out.
    static void Store(UINT nClient, const CTypeKey& key, std::shared_ptr<const CTypeMembers> pTypes);
    // Remembers that types of this key are walked in every call.
    static void Unkept(UINT nClient, const CTypeKey& key);
    static size_t TypeCount(UINT nClient);
};
