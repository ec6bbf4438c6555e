#include "server/app/ZavetraModule.h"

#include "resources/resource.h"
#include "server/app/Connect.h"

const wchar_t kZavetraAppId[] = L"{84FBDAE9-D8F3-4199-9F65-1663B33DC147}";

CZavetraModule::CZavetraModule() : CAtlMfcModule(LIBID_ZavetraLib, IDR_APPID, kZavetraAppId) {
    SetObjectMap(ComObjectEntry<CConnect>(IDR_CONNECT));
}
