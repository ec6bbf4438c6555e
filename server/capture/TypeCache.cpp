// The types kept per client.
#include "server/capture/TypeCache.h"
#include <cstring>
#include <map>
#include <new>
#include "server/core/Except.h"

namespace {

struct CClientSlot {
    int nObjects = 0;   // client objects holding the id
    std::map<CTypeKey, std::shared_ptr<const CTypeMembers>> types;
};

std::map<UINT, CClientSlot>& Clients()
{
    static std::map<UINT, CClientSlot> s_clients;
    return s_clients;
}

} // namespace

bool CTypeKey::operator<(const CTypeKey& o) const
{
    const int c = memcmp(&guid, &o.guid, sizeof(GUID));
    if (c != 0)
        return c < 0;
    if (kind != o.kind)
        return kind < o.kind;
    if (lcid != o.lcid)
        return lcid < o.lcid;
    if (wMajor != o.wMajor)
        return wMajor < o.wMajor;
    if (wMinor != o.wMinor)
        return wMinor < o.wMinor;
    if (cFuncs != o.cFuncs)
        return cFuncs < o.cFuncs;
    return cVars < o.cVars;
}

void CClientTypes::Connected(UINT nClient)
{
    try {
        CClientSlot& slot = Clients()[nClient];
        ++slot.nObjects;
        slot.types.clear();   // a second holder of the id: nothing is shared
    } catch (const std::bad_alloc&) {
        // Without a slot the id keeps no types: every call walks them.
    }
}

void CClientTypes::Disconnected(UINT nClient)
{
    auto it = Clients().find(nClient);
    if (it == Clients().end())
        return;
    if (--it->second.nObjects <= 0)
        Clients().erase(it);
    else
        it->second.types.clear();
}

void CClientTypes::ForgetAll()
{
    for (auto& kv : Clients())
        kv.second.types.clear();
}

bool CClientTypes::Keeps(UINT nClient)
{
    auto it = Clients().find(nClient);
    return it != Clients().end() && it->second.nObjects == 1;
}

std::shared_ptr<const CTypeMembers> CClientTypes::Find(UINT nClient, const CTypeKey& key, bool& bUnkept)
{
    bUnkept = false;
    auto it = Clients().find(nClient);
    if (it == Clients().end() || it->second.nObjects != 1)
        return nullptr;
    auto t = it->second.types.find(key);
    if (t == it->second.types.end())
        return nullptr;
    bUnkept = t->second == nullptr;
    return t->second;
}

void CClientTypes::Unkept(UINT nClient, const CTypeKey& key)
{
    auto it = Clients().find(nClient);
    if (it == Clients().end() || it->second.nObjects != 1)
        return;
    try {
        it->second.types[key] = nullptr;
    } catch (const std::bad_alloc&) {
        // Not remembered: the next call asks again.
    }
}

void CClientTypes::Store(UINT nClient, const CTypeKey& key, std::shared_ptr<const CTypeMembers> pTypes)
{
    auto it = Clients().find(nClient);
    if (it == Clients().end() || it->second.nObjects != 1)
        return;
    try {
        it->second.types[key] = std::move(pTypes);
    } catch (const std::bad_alloc&) {
        throw CExcept(ZV_ERR_MEMORY);
    }
}

size_t CClientTypes::TypeCount(UINT nClient)
{
    auto it = Clients().find(nClient);
    size_t n = 0;
    if (it != Clients().end())
        for (auto& kv : it->second.types)
            if (kv.second)
                ++n;
    return n;
}
