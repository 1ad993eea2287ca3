// Client toolkit for the runtime's log service.
//
// Every operation talks to the service over the line-based JSON-RPC protocol described in
// docs/protocol.md. A link is one TCP connection. Operations without a link argument act on the
// process's active link (see LinkActivate). All operations are thread-safe: the connection worker and
// the user-interface thread call them at the same time.
//
// Blocking calls are bounded by the link's time-out and can be interrupted: a thread that has
// registered a cancel word with ToolkitSetCancelWord sees every wait of its own end promptly (within
// about 50 ms) once that word becomes non-zero; the interrupted call fails and its link is lost.
#pragma once

#include "base/StationKey.h"

#include <QList>
#include <QString>

#include <atomic>
#include <cstdint>

struct MiraboLinkImpl;
using MiraboLink = MiraboLinkImpl*; // opaque handle; nullptr means "no link"

// Result codes. The names are those the callers test for; what LinkOpen means by each:
constexpr int32_t MIRABO_OK = 0;
// The service answered, but this connection may not read the log (no valid logon, or a user without
// the right to).
constexpr int32_t MIRABO_E_ABORT = static_cast<int32_t>(0x80004004u);
// Anything not covered below: a protocol version the service does not speak, a malformed answer, a wait
// stopped by the cancel word; the program also uses it for a link lost while it connects.
constexpr int32_t MIRABO_E_FAIL = static_cast<int32_t>(0x80004005u);
// The station cannot be reached: the host name does not resolve, the connection is refused, or the proxy
// refuses the tunnel.
constexpr int32_t MIRABO_E_ACCESSDENIED = static_cast<int32_t>(0x80070005u);
// The connection or the service's answer did not come within the time-out.
constexpr int32_t MIRABO_E_TIMEOUT = static_cast<int32_t>(0x800705B4u);
// The station's key is not trusted, or it answered in clear where TLS was expected: nothing but the TLS
// question was sent to it. LinkStationRefusal says why.
constexpr int32_t MIRABO_E_UNTRUSTED = static_cast<int32_t>(0x800B0109u);

// How long the operations that open a connection wait for it and for the hello answer. LinkOpen waits a
// little longer than the program's own 60-second start-up limit, so that on a station that accepts but
// never answers the start-up limit is what the user sees.
constexpr int32_t MIRABO_OPEN_TIMEOUT_MS = 65000;        // LinkOpen
constexpr int32_t MIRABO_LOGON_CHECK_TIMEOUT_MS = 10000; // LinkLogonRequired (then it reports 0)

// Where a link goes: the service's host and port, and the HTTP proxy that tunnels to it (used when its
// host is not empty and its port is above 0). The connection string and the polling interval are passed
// to the service unchanged.
struct MiraboEndpoint {
    QString host;
    int32_t port = 0;
    QString proxyHost;
    int32_t proxyPort = 0;
    QString wtg;
    int32_t pollingInterval = 0;

    bool viaProxy() const { return !proxyHost.isEmpty() && proxyPort > 0; }
};

// Whom the toolkit trusts. The list of known stations is a text file that every program of the user
// shares; it is read at every connection. A CA file, when named, replaces the list for stations that
// speak TLS: their certificate must chain to it and be issued for the host as dialled, and every station
// must speak TLS. `caSettingsFile` is only named in messages (the file that set the CA file).
struct MiraboTrust {
    QString knownStationsFile;
    QString caFile;
    QString caSettingsFile;
};

// What an attempt to reach a station found out about it (base/StationKey.h).
using MiraboStationKey = base::StationKeyFacts;

// A parsed tag reference (12 bytes, as callers expect); only TagParse fills it.
struct MiraboTagRef {
    int32_t id = 0;
    int32_t type = 0;
    int32_t reserved = 0;
};

// One row of TagList.
struct MiraboTagInfo {
    QString name;
    QString type;
    QString description;
    QString value;
};

// Brackets each thread's use of the toolkit. ToolkitInit also makes the process's client id the first
// time any thread calls it. Calls nest per thread; ToolkitExit forgets the thread's cancel word.
int32_t ToolkitInit();
void ToolkitExit();

// Registers (or, with nullptr, removes) the calling thread's cancel word.
void ToolkitSetCancelWord(const std::atomic<int32_t>* word);

// Sets whom every later connection of the process trusts (see MiraboTrust). Without it a station that
// speaks TLS is unknown, and refused.
void ToolkitSetTrust(const MiraboTrust& trust);

// Trust. Every connection first asks the station whether it speaks TLS (docs/protocol.md); a link is
// opened only to a station whose key is trusted, or to one that speaks clear and is not known to speak
// TLS. LinkCheckStation connects, asks, runs the handshake when the station speaks TLS and closes again,
// within MIRABO_LOGON_CHECK_TIMEOUT_MS, sending nothing else: MIRABO_OK when a link would be opened
// (`key->verdict` Known or Clear), MIRABO_E_UNTRUSTED when it would be refused (the verdict says why),
// or the code of a connection that failed (then the verdict is None).
int32_t LinkCheckStation(const MiraboEndpoint& endpoint, MiraboStationKey* key);
// Trusts `fingerprint` (any form base::NormalizeFingerprint reads) for the endpoint's station: it is
// written to the list of known stations, replacing what the list held for the station, and holds for
// this process even when the list cannot be written. MIRABO_OK; MIRABO_E_FAIL for a fingerprint that is
// not one, or a list that could not be written (`error` says why).
int32_t LinkTrustStation(const MiraboEndpoint& endpoint, const QString& fingerprint, QString* error = nullptr);
// Notes in the list that the user was told that a password to this clear station crosses the network in
// clear; LinkClearStationNoted is nonzero from then on.
int32_t LinkNoteClearStation(const MiraboEndpoint& endpoint, QString* error = nullptr);
int32_t LinkClearStationNoted(const MiraboEndpoint& endpoint);
// Nonzero when the last attempt of the process to reach this station (from any thread) was refused for
// its key or for answering in clear; `key` then says why.
int32_t LinkStationRefusal(const MiraboEndpoint& endpoint, MiraboStationKey* key);

// Links. The two opening operations take the endpoint in one piece or as its six parts.
int32_t LinkOpen(const MiraboEndpoint& endpoint, MiraboLink* link);
int32_t LinkOpen(const QString& host, int32_t port, const QString& proxyHost, int32_t proxyPort,
                 const QString& wtg, int32_t pollingInterval, MiraboLink* link);
// Nonzero when the service demands a logon (0 also when the station cannot be reached or is refused).
// `reserved` is set to 0 (the caller does not examine it).
int32_t LinkLogonRequired(const MiraboEndpoint& endpoint);
int32_t LinkLogonRequired(const QString& host, int32_t port, const QString& proxyHost, int32_t proxyPort,
                          const QString& wtg, int32_t pollingInterval, int32_t* reserved);
// 0 when the service accepted the credentials; they are then kept in memory for later re-logons. Never
// sent to a station that is refused (MIRABO_E_UNTRUSTED).
int32_t LinkLogon(const QString& user, const QString& password, int32_t fromCommandLine);
void LinkSetTimeout(MiraboLink link, int32_t milliseconds);
void LinkActivate(MiraboLink link);
int32_t LinkIsLost(MiraboLink link);
void LinkClose(MiraboLink link);
void LinkReset();

// Operations on the active link. Integer getters return 0 (or the given default) on failure; the others
// return 0 on success and a non-zero code on failure.
int32_t LogOutputEnable(int32_t enable);
int32_t ServiceQuery(const QString& serviceName, int32_t arg);
int32_t SwitchGet(int32_t index); // index 0-13, or 0xFFFF for the bit mask
int32_t SwitchSet(int32_t index, int32_t value);
int32_t DateTimeStampGet();
int32_t DateTimeStampSet(int32_t value);
int32_t OpcLogParamGet(int32_t kind, int32_t param); // -1 = unset (parameter 4); 0 on failure
int32_t OpcLogParamSet(int32_t kind, int32_t param, int32_t value);
// Reads waiting log text, at most `capacity` UTF-16 code units (a surrogate pair is never split).
// `text` always receives a valid string (empty on failure).
int32_t LogTextRead(QString* text, int32_t capacity);
// The same, and whether more text waits at the service behind what was read: the service's own count
// when its answer carries one, else a guess from the answer (it came within one message of `capacity`,
// so the next message did not fit). False on failure.
int32_t LogTextRead(QString* text, int32_t capacity, bool* moreWaiting);
int32_t LogTextDiscard();
// Full path of `file` in the running project's folder (at most `capacity` characters); empty on failure.
int32_t ProjectFilePath(const QString& file, QString* path, int32_t capacity = 260);

QString ConfigGetString(const QString& section, const QString& key, const QString& def, int32_t capacity);
int32_t ConfigGetInt(const QString& section, const QString& key, int32_t def);
QString ProfileGetString(const QString& section, const QString& key, const QString& def, int32_t capacity);
int32_t ProfileGetInt(const QString& section, const QString& key, int32_t def);
int32_t ProfileSetString(const QString& section, const QString& key, const QString& value);

// Files and tags.
int32_t IsRelativePath(const QString& fileName); // nonzero when the name does not start with '/'
// The tag browser: "libOrbelleExt.so" in `folder` (empty: the executable's folder) and its entry point
// `int Orbelle(char16_t* name, int, int, int)`, which shows the browser and, when the user picked a tag,
// writes its name (at most 2048 UTF-16 code units and a terminator) into `name` and returns nonzero.
// nullptr when the file is missing, is not a library, or does not export the entry point. A library
// once loaded stays loaded.
using MiraboTagBrowserProc = int (*)(char16_t* name, int, int, int);
MiraboTagBrowserProc TagBrowserProc(const QString& folder = QString());
int32_t TagBrowserAvailable(); // nonzero when TagBrowserProc() finds the browser
int32_t TagNameNormalize(QString* name); // rewrites in place (at most 2048 characters)
int32_t TagParse(MiraboTagRef* ref, const QString& name);
int32_t TagLogEnable(const QString& name, int32_t enable);
int32_t TagList(const QString& filter, QList<MiraboTagInfo>* tags);

// The leading-decimal rule shared by the ...GetInt operations: leading white space, an optional sign,
// decimal digits up to the first other character; no digits gives `def`.
int32_t MiraboLeadingDecimal(const QString& text, int32_t def);
