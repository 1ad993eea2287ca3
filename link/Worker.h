// The connection worker: the one background thread that owns the link to the log service.
//
// Every 100 ms it either connects (reading the service's switch values, the log font, the stored tag list
// and, for the local station, the project folder), or, while connected, sends the queued changes, fetches
// the waiting log text into the channel's pending text, and reads the OPC values (in the first cycle, for a
// kind whose changes it sent, the switches about once a second). A lost link is closed and
// reopened, with 2000 ms between failed attempts; a failed first attempt ends the attempts for good
// (start-up reports m_hrConnect). Setting m_bStopWorker ends the thread within about two seconds in every
// state: the word is registered with the toolkit, so it also interrupts a call in progress.
#pragma once

#include "link/WorkerChannel.h"
#include "state/CategoryWords.h"
#include "state/ConnectionOptions.h"
#include "toolkit/MiraboToolkit.h"

#include <cstdint>
#include <memory>
#include <thread>

constexpr int kWorkerCycleMs = 100;        // poll period, local and remote station alike
constexpr int kWorkerRetryMs = 2000;       // sleep after a failed connect attempt
constexpr int kOpcSwitchCycles = 10;       // the OPC kinds' switches are read again every this many cycles
constexpr int kOpcParamCycles = 100;       // and one kind's switch and parameters every this many
constexpr int kMaxReadsPerCycle = 8;       // log reads in one cycle while the service says more waits
constexpr int kFetchBudgetMs = 50;         // ... and no further reads once this much time went on them
constexpr int32_t kMaxStoredTags = 10000;  // the connect step reads at most this many stored tags

// What the worker works on. The options and the settings path are constant while it runs; the category
// words and the channel are shared with the window thread.
struct WorkerParts {
    const ConnectionOptions& options;
    const QString& exeIniPath; // its "HTTPPolling" key is read at each connect
    CategoryWords& categories;
    WorkerChannel& channel;
};

// The thread procedure; returns 0. Never lets an exception out.
unsigned WorkerProc(WorkerParts parts);

// Opens the link and loads the shared state; 0 on success, else LinkOpen's code or MIRABO_E_FAIL when
// the link was lost during the step (the link is then closed and `link` is nullptr).
int32_t ConnectStep(WorkerParts parts, MiraboLink& link);
// Sends every queued change; false when the link was found lost. `changedOpcKinds`, when given, gets a
// bit (1 << (kind - 11)) for each OPC kind whose switch or parameters were sent.
bool SendChangesStep(WorkerParts parts, MiraboLink& link, unsigned* changedOpcKinds = nullptr);
// Sends one OPC kind's queue (11, 12 or 13); false when the link was found lost.
bool SendOpcChanges(WorkerParts parts, MiraboLink& link, int32_t kind);
// Fetches the waiting log text (or discards it while paused); false when the link was found lost. While
// the service says more text waits, it reads again in the same cycle, up to kMaxReadsPerCycle reads or
// kFetchBudgetMs, and not after a stop or pause request.
bool FetchTextStep(WorkerParts parts, MiraboLink& link);
// Reads one OPC kind's switch and parameters from the station into the channel; false when the link was
// found lost (the values read are then not stored).
bool ReadStationOpc(WorkerChannel& channel, MiraboLink link, int32_t kind);
// Reads the three OPC kinds' switches again (from the switch mask when the service offers it) into the
// values already known; false when the link was found lost.
bool ReadStationOpcSwitches(WorkerChannel& channel, MiraboLink link);

// Starts a thread running WorkerProc(parts); nullptr when no thread could be made.
std::unique_ptr<std::thread> StartWorkerThread(WorkerParts parts);
// Sets the stop word and joins the thread (if any), then releases it.
void StopWorkerThread(WorkerChannel& channel, std::unique_ptr<std::thread>& thread);
