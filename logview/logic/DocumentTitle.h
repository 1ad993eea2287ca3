// The log window's document title: it names the station and tells whether the link is up. The main
// window's caption is this title followed by " - "; a second start looks for the connected form of that
// caption, so its exact form is binding.
#pragma once

#include <QString>

namespace viewlogic {

// String 61205 ("Kestra"), then ": <" + the host + ">" for a remote station or ": <" + string 133
// ("LOCAL") + ">" for the local one (an empty host or "localhost" in any letter case), then string 3
// (" - Disconnected") while not connected.
QString ComposeDocumentTitle(const QString& host, bool connected);

} // namespace viewlogic
