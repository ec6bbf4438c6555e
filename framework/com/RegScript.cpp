// The registry-script processor: tokenizer, recursive parser and the two
// walks (register, unregister) over the parsed tree.
#include "framework/com/RegScript.h"

#include <cwctype>
#include <memory>

namespace {

// ---------------------------------------------------------------- script tree

struct RegValue {
    DWORD type = REG_SZ;  // REG_SZ, REG_EXPAND_SZ or REG_DWORD
    std::wstring text;
    DWORD number = 0;
};

struct RegNode {
    std::wstring name;
    bool isValue = false;  // `val Name = ...`
    bool noRemove = false;
    bool forceRemove = false;
    bool hasDefault = false;
    RegValue value;  // the default of a key, or the named value
    std::vector<RegNode> children;
};

struct RegRoot {
    HKEY hkey = nullptr;
    std::vector<RegNode> children;
};

// ---------------------------------------------------------------- tokenizer

enum class Tok { Word, Quoted, Open, Close, Equals, End };

struct Token {
    Tok kind = Tok::End;
    std::wstring text;
};

bool EqualsNoCase(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::towlower(a[i]) != std::towlower(b[i])) return false;
    }
    return true;
}

class Lexer {
public:
    Lexer(std::wstring_view text, const CRegReplacements& repl) : m_text(text), m_repl(repl) {}

    // False on a malformed token (unterminated quote, bad replacement).
    bool Next(Token& t) {
        while (m_pos < m_text.size() && (std::iswspace(m_text[m_pos]) || m_text[m_pos] == 0)) ++m_pos;
        t.text.clear();
        if (m_pos >= m_text.size()) {
            t.kind = Tok::End;
            return true;
        }
        std::wstring raw;
        if (m_text[m_pos] == L'\'') {
            ++m_pos;
            for (;;) {
                if (m_pos >= m_text.size()) return false;
                wchar_t c = m_text[m_pos++];
                if (c == L'\'') {
                    if (m_pos < m_text.size() && m_text[m_pos] == L'\'') {
                        raw += L'\'';
                        ++m_pos;
                        continue;
                    }
                    break;
                }
                raw += c;
            }
            // A quoted string must stand alone.
            if (m_pos < m_text.size() && !std::iswspace(m_text[m_pos]) && m_text[m_pos] != 0)
                return false;
            t.kind = Tok::Quoted;
            return Substitute(raw, t.text);
        }
        while (m_pos < m_text.size() && !std::iswspace(m_text[m_pos]) && m_text[m_pos] != 0) {
            if (m_text[m_pos] == L'\'') return false;
            raw += m_text[m_pos++];
        }
        if (raw == L"{") {
            t.kind = Tok::Open;
        } else if (raw == L"}") {
            t.kind = Tok::Close;
        } else if (raw == L"=") {
            t.kind = Tok::Equals;
        } else {
            t.kind = Tok::Word;
            return Substitute(raw, t.text);
        }
        t.text = raw;
        return true;
    }

private:
    bool Substitute(const std::wstring& raw, std::wstring& out) const {
        out.clear();
        for (size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] != L'%') {
                out += raw[i];
                continue;
            }
            size_t end = raw.find(L'%', i + 1);
            if (end == std::wstring::npos) return false;
            std::wstring_view name(raw.data() + i + 1, end - i - 1);
            if (name.empty()) {
                out += L'%';
            } else {
                bool found = false;
                for (const auto& [n, v] : m_repl) {
                    if (EqualsNoCase(n, name)) {
                        out += v;
                        found = true;
                        break;
                    }
                }
                if (!found) return false;
            }
            i = end;
        }
        return true;
    }

    std::wstring_view m_text;
    const CRegReplacements& m_repl;
    size_t m_pos = 0;
};

// ---------------------------------------------------------------- parser

constexpr int kMaxDepth = 64;

class Parser {
public:
    Parser(std::wstring_view text, const CRegReplacements& repl) : m_lex(text, repl) {}

    bool Parse(std::vector<RegRoot>& roots) {
        if (!Advance()) return false;
        while (m_tok.kind != Tok::End) {
            if (m_tok.kind != Tok::Word) return false;
            RegRoot root;
            root.hkey = RootKey(m_tok.text);
            if (!root.hkey) return false;
            if (!Advance() || m_tok.kind != Tok::Open) return false;
            if (!Advance()) return false;
            if (!ParseBody(root.children, 1, false)) return false;
            if (!Advance()) return false;  // past '}'
            roots.push_back(std::move(root));
        }
        return true;
    }

private:
    static HKEY RootKey(const std::wstring& w) {
        if (EqualsNoCase(w, L"HKCR") || EqualsNoCase(w, L"HKEY_CLASSES_ROOT")) return HKEY_CLASSES_ROOT;
        if (EqualsNoCase(w, L"HKCU") || EqualsNoCase(w, L"HKEY_CURRENT_USER")) return HKEY_CURRENT_USER;
        if (EqualsNoCase(w, L"HKLM") || EqualsNoCase(w, L"HKEY_LOCAL_MACHINE")) return HKEY_LOCAL_MACHINE;
        return nullptr;
    }

    bool Advance() { return m_lex.Next(m_tok); }

    bool IsKeyword(const wchar_t* kw) const {
        return m_tok.kind == Tok::Word && EqualsNoCase(m_tok.text, kw);
    }

    static bool ValidKeyName(const std::wstring& n) {
        if (n.empty() || n.front() == L'\\' || n.back() == L'\\') return false;
        return n.find(L"\\\\") == std::wstring::npos;
    }

    // The entries of a brace block, up to its '}' (the current token at
    // return).  Named values are allowed inside keys only.
    bool ParseBody(std::vector<RegNode>& out, int depth, bool allowValues) {
        if (depth > kMaxDepth) return false;
        for (;;) {
            if (m_tok.kind == Tok::Close) return true;
            if (m_tok.kind != Tok::Word && m_tok.kind != Tok::Quoted) return false;
            RegNode node;
            if (IsKeyword(L"val")) {
                if (!allowValues) return false;
                node.isValue = true;
                if (!Advance()) return false;
                if (m_tok.kind != Tok::Word && m_tok.kind != Tok::Quoted) return false;
                node.name = m_tok.text;
                if (!Advance() || m_tok.kind != Tok::Equals) return false;
                if (!ParseValue(node.value, true)) return false;
                if (!Advance()) return false;
                out.push_back(std::move(node));
                continue;
            }
            for (;;) {
                if (IsKeyword(L"NoRemove")) {
                    if (node.noRemove || node.forceRemove) return false;
                    node.noRemove = true;
                } else if (IsKeyword(L"ForceRemove")) {
                    if (node.noRemove || node.forceRemove) return false;
                    node.forceRemove = true;
                } else {
                    break;
                }
                if (!Advance()) return false;
            }
            if (m_tok.kind != Tok::Word && m_tok.kind != Tok::Quoted) return false;
            node.name = m_tok.text;
            if (!ValidKeyName(node.name)) return false;
            if (!Advance()) return false;
            if (m_tok.kind == Tok::Equals) {
                if (!ParseValue(node.value, false)) return false;
                node.hasDefault = true;
                if (!Advance()) return false;
            }
            if (m_tok.kind == Tok::Open) {
                if (!Advance()) return false;
                if (!ParseBody(node.children, depth + 1, true)) return false;
                if (!Advance()) return false;  // past '}'
            }
            out.push_back(std::move(node));
        }
    }

    // After '=': a type letter and the value.
    bool ParseValue(RegValue& v, bool allowNumber) {
        if (!Advance() || m_tok.kind != Tok::Word) return false;
        std::wstring type = m_tok.text;
        if (!Advance() || (m_tok.kind != Tok::Word && m_tok.kind != Tok::Quoted)) return false;
        if (EqualsNoCase(type, L"s")) {
            v.type = REG_SZ;
            v.text = m_tok.text;
            return true;
        }
        if (EqualsNoCase(type, L"e")) {
            v.type = REG_EXPAND_SZ;
            v.text = m_tok.text;
            return true;
        }
        if (EqualsNoCase(type, L"d") && allowNumber) {
            v.type = REG_DWORD;
            return ParseNumber(m_tok.text, v.number);
        }
        return false;
    }

    static bool ParseNumber(const std::wstring& s, DWORD& out) {
        unsigned long long n = 0;
        if (s.size() > 2 && s[0] == L'0' && (s[1] == L'x' || s[1] == L'X')) {
            if (s.size() > 10) return false;
            for (size_t i = 2; i < s.size(); ++i) {
                wchar_t c = s[i];
                int d;
                if (c >= L'0' && c <= L'9') d = c - L'0';
                else if (c >= L'a' && c <= L'f') d = c - L'a' + 10;
                else if (c >= L'A' && c <= L'F') d = c - L'A' + 10;
                else return false;
                n = n * 16 + d;
            }
        } else {
            if (s.empty() || s.size() > 10) return false;
            for (wchar_t c : s) {
                if (c < L'0' || c > L'9') return false;
                n = n * 10 + (c - L'0');
            }
            if (n > 0xFFFFFFFFull) return false;
        }
        out = static_cast<DWORD>(n);
        return true;
    }

    Lexer m_lex;
    Token m_tok;
};

// ---------------------------------------------------------------- the walks

class KeyHandle {
public:
    KeyHandle() = default;
    ~KeyHandle() {
        if (m_h) RegCloseKey(m_h);
    }
    KeyHandle(const KeyHandle&) = delete;
    KeyHandle& operator=(const KeyHandle&) = delete;
    HKEY* operator&() { return &m_h; }
    operator HKEY() const { return m_h; }

private:
    HKEY m_h = nullptr;
};

HRESULT FromWin32(LONG lr) { return lr == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(lr); }

bool IsMissing(LONG lr) { return lr == ERROR_FILE_NOT_FOUND || lr == ERROR_PATH_NOT_FOUND; }

HRESULT SetValue(HKEY hk, const wchar_t* name, const RegValue& v) {
    LONG lr;
    if (v.type == REG_DWORD) {
        lr = RegSetValueExW(hk, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v.number),
                            sizeof(DWORD));
    } else {
        lr = RegSetValueExW(hk, name, 0, v.type, reinterpret_cast<const BYTE*>(v.text.c_str()),
                            static_cast<DWORD>((v.text.size() + 1) * sizeof(wchar_t)));
    }
    return FromWin32(lr);
}

// The keys that a registration created, as paths below their root, parents
// before children: all that a failed registration takes away again.
struct CreatedKey {
    HKEY root;
    std::wstring path;
};

HRESULT RegisterKey(HKEY root, HKEY parent, const std::wstring& parentPath, const RegNode& n,
                    std::vector<CreatedKey>& created) {
    if (n.forceRemove) {
        LONG lr = RegDeleteTreeW(parent, n.name.c_str());
        if (lr != ERROR_SUCCESS && !IsMissing(lr)) return FromWin32(lr);
    }
    KeyHandle hk;
    DWORD disposition = 0;
    LONG lr = RegCreateKeyExW(parent, n.name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &hk, &disposition);
    if (lr != ERROR_SUCCESS) return FromWin32(lr);
    const std::wstring path = parentPath.empty() ? n.name : parentPath + L"\\" + n.name;
    if (disposition == REG_CREATED_NEW_KEY) created.push_back({root, path});
    if (n.hasDefault) {
        HRESULT hr = SetValue(hk, nullptr, n.value);
        if (FAILED(hr)) return hr;
    }
    for (const RegNode& c : n.children) {
        HRESULT hr = c.isValue ? SetValue(hk, c.name.c_str(), c.value) : RegisterKey(root, hk, path, c, created);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

bool HoldsNoRemove(const RegNode& n) {
    for (const RegNode& c : n.children) {
        if (!c.isValue && (c.noRemove || HoldsNoRemove(c))) return true;
    }
    return false;
}

// Removes what registration writes below a key; the first failure (other
// than something already missing) is returned, the rest is still tried.
HRESULT UnregisterKey(HKEY parent, const RegNode& n);

HRESULT UnregisterChildren(HKEY hk, const RegNode& n) {
    HRESULT result = S_OK;
    for (const RegNode& c : n.children) {
        HRESULT hr = S_OK;
        if (c.isValue) {
            LONG lr = RegDeleteValueW(hk, c.name.c_str());
            if (lr != ERROR_SUCCESS && !IsMissing(lr)) hr = FromWin32(lr);
        } else {
            hr = UnregisterKey(hk, c);
        }
        if (FAILED(hr) && SUCCEEDED(result)) result = hr;
    }
    return result;
}

HRESULT UnregisterKey(HKEY parent, const RegNode& n) {
    if (!n.noRemove && !HoldsNoRemove(n)) {
        LONG lr = RegDeleteTreeW(parent, n.name.c_str());
        return (lr == ERROR_SUCCESS || IsMissing(lr)) ? S_OK : FromWin32(lr);
    }
    HRESULT result;
    {
        KeyHandle hk;
        LONG lr = RegOpenKeyExW(parent, n.name.c_str(), 0, KEY_ALL_ACCESS, &hk);
        if (IsMissing(lr)) return S_OK;
        if (lr != ERROR_SUCCESS) return FromWin32(lr);
        result = UnregisterChildren(hk, n);
        if (n.noRemove) return result;
        // A key that holds a kept key stays as long as anything is left below it.
        DWORD subkeys = 0;
        lr = RegQueryInfoKeyW(hk, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr,
                              nullptr, nullptr, nullptr, nullptr);
        if (lr != ERROR_SUCCESS || subkeys != 0) return result;
    }
    LONG lr = RegDeleteKeyW(parent, n.name.c_str());
    if (lr != ERROR_SUCCESS && !IsMissing(lr) && SUCCEEDED(result)) result = FromWin32(lr);
    return result;
}

HRESULT Unregister(const std::vector<RegRoot>& roots) {
    HRESULT result = S_OK;
    for (const RegRoot& r : roots) {
        for (const RegNode& n : r.children) {
            HRESULT hr = UnregisterKey(r.hkey, n);
            if (FAILED(hr) && SUCCEEDED(result)) result = hr;
        }
    }
    return result;
}

// A registration that fails part way removes the keys it created, newest
// first, and leaves every key that was there before it.
HRESULT Register(const std::vector<RegRoot>& roots) {
    std::vector<CreatedKey> created;
    for (const RegRoot& r : roots) {
        for (const RegNode& n : r.children) {
            HRESULT hr = RegisterKey(r.hkey, r.hkey, std::wstring(), n, created);
            if (FAILED(hr)) {
                for (auto it = created.rbegin(); it != created.rend(); ++it)
                    RegDeleteTreeW(it->root, it->path.c_str());
                return hr;
            }
        }
    }
    return S_OK;
}

}  // namespace

HRESULT CRegObject::AddReplacement(std::wstring_view name, std::wstring_view value) {
    if (name.empty() || name.find(L'%') != std::wstring_view::npos) return E_INVALIDARG;
    for (auto& [n, v] : m_replacements) {
        if (EqualsNoCase(n, name)) {
            v = value;
            return S_OK;
        }
    }
    m_replacements.emplace_back(std::wstring(name), std::wstring(value));
    return S_OK;
}

HRESULT CRegObject::Check(std::wstring_view script) {
    std::vector<RegRoot> roots;
    Parser parser(script, m_replacements);
    return parser.Parse(roots) ? S_OK : ZV_E_REGSCRIPT_SYNTAX;
}

HRESULT CRegObject::Run(std::wstring_view script, bool bRegister) {
    std::vector<RegRoot> roots;
    Parser parser(script, m_replacements);
    if (!parser.Parse(roots)) return ZV_E_REGSCRIPT_SYNTAX;
    return bRegister ? Register(roots) : Unregister(roots);
}

HRESULT CRegObject::StringRegister(std::wstring_view script) { return Run(script, true); }

HRESULT CRegObject::StringUnregister(std::wstring_view script) { return Run(script, false); }

HRESULT CRegObject::LoadScript(HMODULE hModule, UINT nResId, LPCWSTR type, std::wstring& script) {
    script.clear();
    HRSRC hrsrc = FindResourceW(hModule, MAKEINTRESOURCEW(nResId), type);
    if (!hrsrc) return HRESULT_FROM_WIN32(GetLastError());
    HGLOBAL hg = LoadResource(hModule, hrsrc);
    DWORD size = SizeofResource(hModule, hrsrc);
    const BYTE* p = hg ? static_cast<const BYTE*>(LockResource(hg)) : nullptr;
    if (!p) return HRESULT_FROM_WIN32(GetLastError());
    if (size >= 2 && p[0] == 0xFF && p[1] == 0xFE) {
        script.assign(reinterpret_cast<const wchar_t*>(p + 2), (size - 2) / sizeof(wchar_t));
    } else {
        if (size >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) {
            p += 3;
            size -= 3;
        }
        if (size == 0) return S_OK;
        int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, reinterpret_cast<const char*>(p),
                                    static_cast<int>(size), nullptr, 0);
        if (n <= 0) return ZV_E_REGSCRIPT_SYNTAX;
        script.resize(n);
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, reinterpret_cast<const char*>(p),
                            static_cast<int>(size), script.data(), n);
    }
    size_t nul = script.find(L'\0');
    if (nul != std::wstring::npos) script.resize(nul);
    return S_OK;
}

HRESULT CRegObject::ResourceRegister(HMODULE hModule, UINT nResId, LPCWSTR type) {
    std::wstring script;
    HRESULT hr = LoadScript(hModule, nResId, type, script);
    return FAILED(hr) ? hr : StringRegister(script);
}

HRESULT CRegObject::ResourceUnregister(HMODULE hModule, UINT nResId, LPCWSTR type) {
    std::wstring script;
    HRESULT hr = LoadScript(hModule, nResId, type, script);
    return FAILED(hr) ? hr : StringUnregister(script);
}
