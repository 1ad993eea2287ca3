// The Log menu and Insert date/time, bound to the main frame: the simple category switches and the
// date/time switch change the shared state and queue the change for the connection worker. The OPC items
// and Tags... open dialogs that live above the log window; until a handler is set for them they do
// nothing and follow the link state.
#pragma once

class CKestraExtShared;
class CMainFrame;

void WireLogMenu(CMainFrame& frame, CKestraExtShared& shared);
