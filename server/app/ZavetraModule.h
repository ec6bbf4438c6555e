// The COM module of the executable: the type library ZavetraLib, the AppID
// script and the one class of its object map, Connect.
#pragma once

#include "framework/com/Module.h"

// The AppID of the executable, as the AppID script receives it.
extern const wchar_t kZavetraAppId[];

class CZavetraModule : public CAtlMfcModule {
public:
    CZavetraModule();
};

// The module object of the process (defined with the other global objects).
extern CZavetraModule g_ZavetraModule;
