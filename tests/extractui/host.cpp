// The log-window test host (main frame, log thread, recorder, call nodes),
// shared with the tree-window tests.
#include "logwindows/logwin_host.cpp"
