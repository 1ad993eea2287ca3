// The Log menu's dialogs and the database tool on the main frame: Tags... (108), OPC XML/DA..., OPC
// UA..., OPC .Net... (32783-32785) and the database tool (61207, reached by its key only). Each command
// is enabled while the link is up; the OPC items show the service's switch, read live whenever their
// state is updated (when the Log menu opens, before the command runs).
#pragma once

#include <QString>

class CKestraExtShared;
class CMainFrame;

// `exePath` is the running program's full path: the database tool is started from its folder.
void WireOptionDialogs(CMainFrame& frame, CKestraExtShared& shared, const QString& exePath);
