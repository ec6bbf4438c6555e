// The update hints of the object-information document. Records and members
// are no CObject; they travel as the hint object of UpdateAllViews through
// the two casts below, and only between these views.
#pragma once
#include "framework/Object.h"

enum : LPARAM {
    OBJINFO_HINT_ADD_RECORD  = 1,  // a CObjInfo was linked at the head: the tree adds its items
    OBJINFO_HINT_SHOW_RECORD = 2,  // a CObjInfo or none: the data view shows it
    OBJINFO_HINT_SHOW_MEMBER = 3,  // a CMemberInfo or none: the data view shows it
    OBJINFO_HINT_FONT        = 4   // both views take the window's font again
};

template <class T>
inline CObject* ToHint(T* p) { return reinterpret_cast<CObject*>(p); }
template <class T>
inline T* FromHint(CObject* p) { return reinterpret_cast<T*>(p); }
