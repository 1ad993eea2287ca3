// The Log menu and Insert date/time, bound to the main frame: the simple category switches and the
// date/time switch change the shared state and queue the change for the connection worker; the OPC
// items and Tags... are enabled only while connected.
#pragma once

class CKestraExtShared;
class CMainFrame;

void WireLogMenu(CMainFrame& frame, CKestraExtShared& shared);
