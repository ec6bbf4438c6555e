// Plugs the extract and move dialogs into the log thread's dialog slots;
// called once at start-up before the log thread runs.
#pragma once

void RegisterExtractAndMoveDialogs();
