// How the program tells and names the station it talks to.
#pragma once

#include <QString>

// The local station: an empty host or "localhost" in any letter case.
bool IsLocalStation(const QString& host);

// The station as titles and messages name it: `localName` for the local station, else the host as typed.
QString StationName(const QString& host, const QString& localName);
