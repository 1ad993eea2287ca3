// Helpers of the start-up sequence that tests check on their own.
#pragma once

#include <QString>

#include <cstdint>

struct StartupHooks;

// The caption a running instance for `host` carries while connected: string 61205, ": <", string 133
// ("LOCAL") for the local station or the host as typed, then "> - ". A second start for the same
// station looks for exactly this title.
QString SingleInstanceTitle(const QString& host);

// The message for a failed first connection: string 10 for E_ABORT, string 61211 for E_ACCESSDENIED,
// otherwise string 134 with the station ("LOCAL" or the host), the code as a signed decimal and
// string 61206.
QString ConnectFailureMessage(const QString& host, int32_t hrConnect);

// An error box of start-up and shut-down, captioned with the application title. It has no parent: the
// main window is disabled while the wait popup is up, and a box owned by it would be disabled too. It
// stands above the wait popup (which stays on top of everything) and takes the keyboard focus. Tests
// capture the box through the hooks.
void StartupErrorBox(const StartupHooks* hooks, const QString& text);
// A Yes/No question of start-up, placed as the error boxes are; true for Yes.
bool StartupQuestion(const StartupHooks* hooks, const QString& text);
