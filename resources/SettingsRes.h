// Resource identifiers of Settings.rc.
#pragma once

// The check-box images of the tree views: 64 x 16, four images of 16 x 16
// (blank, unchecked box, checked box, grey box that cannot be changed).
#define IDB_CHECKBOXES  134
