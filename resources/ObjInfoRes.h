// Resource identifiers of ObjInfo.rc: the object-information window.
#pragma once

// Template of the window: menu (never shown), icon and title string.
#ifndef IDR_OBJINFOVIEW
#define IDR_OBJINFOVIEW            145
#endif
// The data view's form with its three lists.
#define IDD_OBJINFO_DATA           143
// The item images of the member tree: seven of 16 x 16 side by side.
#define IDB_OBJINFO_ITEMS          146
// Popup menus of the member tree (a record item) and of the lists.
#define IDR_OBJINFO_ITEM_POPUP     155
#define IDR_OBJINFO_DATA_POPUP     156

#define IDC_OBJINFO_MEMBER_LIST    1055
#define IDC_OBJINFO_INTERFACE_LIST 1056
#define IDC_OBJINFO_DECLARE_LIST   1057

#define ID_OBJINFO_DELETE          32826
#define ID_OBJINFO_DELETE_ALL      32828
#define ID_OBJINFO_COPY            32833
