// Registry scripts: a small language that describes registry keys and
// values, written on registration and removed on unregistration.
//
//   HKCR
//   {
//       NoRemove CLSID                       (never removed on unregister)
//       {
//           ForceRemove {GUID} = s 'Text'    (removed whole before it is written)
//           {
//               LocalServer32 = s '%MODULE%'
//               val AppID = s '%APPID%'      (a named value: s text, e expandable text,
//               val Flags = d 12             (d a DWORD, decimal or 0x hex)
//           }
//       }
//   }
//
// Roots: HKCR, HKCU, HKLM and their long names.  Names are bare words or
// quoted with single quotes ('' stands for one quote).  %NAME% is replaced
// by the replacement variable NAME (case does not matter), %% by one %.
// A script is parsed whole before anything is written: a malformed script
// changes nothing and fails with ZV_E_REGSCRIPT_SYNTAX.
#pragma once

#include <windows.h>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "framework/com/Module.h"

// The script is malformed (or uses an unknown replacement variable).
constexpr HRESULT ZV_E_REGSCRIPT_SYNTAX = HRESULT_FROM_WIN32(ERROR_BAD_FORMAT);

class CRegObject {
public:
    HRESULT AddReplacement(std::wstring_view name, std::wstring_view value);
    void ClearReplacements() { m_replacements.clear(); }

    // Registration writes every key and value.  If writing fails part-way,
    // what was written is removed again and the error returned.
    HRESULT StringRegister(std::wstring_view script);
    // Unregistration removes what registration writes, except the keys marked
    // NoRemove (their values named by `val` are removed); keys that are
    // already missing are no error.
    HRESULT StringUnregister(std::wstring_view script);

    // The same with the script of a resource (UTF-8 or UTF-16 text).
    HRESULT ResourceRegister(HMODULE hModule, UINT nResId, LPCWSTR type = L"REGISTRY");
    HRESULT ResourceUnregister(HMODULE hModule, UINT nResId, LPCWSTR type = L"REGISTRY");

    // Only parses and substitutes: S_OK or ZV_E_REGSCRIPT_SYNTAX.
    HRESULT Check(std::wstring_view script);

    // The text of a script resource.
    static HRESULT LoadScript(HMODULE hModule, UINT nResId, LPCWSTR type, std::wstring& script);

private:
    HRESULT Run(std::wstring_view script, bool bRegister);
    CRegReplacements m_replacements;
};
