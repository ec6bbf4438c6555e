// Plugs the object-information window into the log thread.
#pragma once

// Fills the log thread's object-information window slot (document, frame
// and member-tree classes, linking and freeing a record). Called once at
// start-up, before the log thread starts.
void RegisterObjInfoWindow();
