// The class of the benchmark's no-op server (bench_noop_server.exe): the
// interface of Zavetra.Connect under a class id and ProgID of its own.
#pragma once
#include <windows.h>

// {5B0E7D52-8C1A-4F4E-9E63-2A7D90C4B1E7}
inline constexpr CLSID CLSID_NoopConnect = {0x5b0e7d52, 0x8c1a, 0x4f4e, {0x9e, 0x63, 0x2a, 0x7d, 0x90, 0xc4, 0xb1, 0xe7}};
inline constexpr wchar_t kNoopProgId[] = L"ZavetraBench.NoopConnect";

// A call whose label begins with this is handed over inside the floor
// server as Zavetra's main frame hands a call to its log thread (the
// protocol alone, between its main thread and a second thread), and then
// returns.
inline constexpr wchar_t kNoopHandOverLabel[] = L"hand-over:";
