// The whole application framework.
#pragma once
#include "framework/Handle.h"
#include "framework/Object.h"
#include "framework/Gdi.h"
#include "framework/Wnd.h"
#include "framework/App.h"
#include "framework/Frame.h"
#include "framework/DocView.h"
#include "framework/Dialog.h"
#include "framework/Controls.h"
#include "framework/TreeCtrl.h"
#include "framework/TreeView.h"
#include "framework/CommonDialogs.h"
