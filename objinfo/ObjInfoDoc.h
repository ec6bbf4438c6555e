// The document of the object-information window: the list of records that
// the user asked for, newest first, chained through their next links. It
// owns every record in the list.
#pragma once
#include "framework/DocView.h"

class CObjInfo;

class CObjInfoDoc : public CDocument {
    DECLARE_DYNCREATE(CObjInfoDoc)
public:
    CObjInfoDoc() = default;
    ~CObjInfoDoc() override;  // destroys the whole list

    // Links pInfo at the head (the old head behind it) and sends hint 1 with it.
    void AddRecord(CObjInfo* pInfo);
    // Unlinks and destroys rec, then sends hint 2 with the record that
    // followed it, or with the head when none followed (which may be none);
    // for a record not in the list, hint 2 with the head. Returns the record
    // named in the hint.
    CObjInfo* DeleteRecord(CObjInfo* rec);
    // Destroys the whole list.
    void DeleteAllRecords();

    CObjInfo* m_pHead = nullptr;
};
