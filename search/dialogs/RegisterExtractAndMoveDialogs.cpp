// Start-up registration of the extract and move dialogs.
#include "search/dialogs/RegisterExtractAndMoveDialogs.h"

#include "search/dialogs/ExtractDialog.h"
#include "search/dialogs/MoveFindDialog.h"

void RegisterExtractAndMoveDialogs() {
    RegisterExtractDialog();
    RegisterMoveDialog();
}
