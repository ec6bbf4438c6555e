// Resource identifiers of ResultWindow.rc: a result window (menu,
// accelerators, toolbar, icon 132). Its other commands are the log window's
// (LogWindowRes.h).
#pragma once

#define IDR_RESULTWINDOW         132
#define ID_RELEASE_LOG           32796
