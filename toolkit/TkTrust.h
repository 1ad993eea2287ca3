// Whom the toolkit trusts: the list of known stations (a text file the program names; read at every
// connection, so that what one program trusted the others see at once), an optional CA file, and what
// the last attempt to reach each station found out about its key.
#pragma once

#include "toolkit/MiraboToolkit.h"

#include <QString>

#include <optional>

namespace mirabo {

// What the list says about one station.
struct KnownStation {
    enum Kind { None, Tls, ClearTold } kind = None;
    QString fingerprint; // Tls
};

MiraboTrust trustSettings();
void setTrustSettings(const MiraboTrust& trust);

// The entry for host and port (the host in any spelling that base::StationKeyHost makes the same):
// what this process trusted since it started, else the file's first line for it.
KnownStation knownStation(const QString& host, int32_t port);
// Replaces (or adds) the station's line in the file, keeping every other line as it was. The entry also
// holds for this process when the file cannot be written; false then, with `error`.
bool rememberStation(const QString& host, int32_t port, const KnownStation& entry, QString* error);

// The key facts of the last attempt to reach a station, refused or not.
void recordFacts(const MiraboStationKey& facts);
std::optional<MiraboStationKey> lastFacts(const QString& host, int32_t port);

// The list file's lines: "HOST PORT tls FINGERPRINT" or "HOST PORT clear"; '#' starts a comment. For the
// parser's tests.
std::optional<KnownStation> parseKnownLine(const QString& line, QString* host, int32_t* port);

// For tests: forgets the settings, the entries trusted in memory and the recorded facts.
void resetTrustForTest();

} // namespace mirabo
