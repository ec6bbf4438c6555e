// Start-up registration of the search dialogs.
#include "search/dialogs/RegisterSearchDialogs.h"

#include "search/dialogs/FindDialog.h"

void RegisterSearchDialogs() { RegisterFindDialog(); }
