// The connection worker: the one background thread that owns the link to the log service.
//
// Every 100 ms it either connects (reading the service's switch values, the log font, the stored tag
// list and, for the local station, the project folder into the shared state), or, while connected,
// sends the queued changes and fetches the waiting log text into m_strPendingText. A lost link is closed
// and reopened, with 2000 ms between failed attempts; a failed first attempt ends the attempts for good
// (start-up reports m_hrConnect). Setting m_bStopWorker ends the thread within about two seconds in
// every state: the word is registered with the toolkit, so it also interrupts a call in progress.
#pragma once

#include "link/KestraShared.h"
#include "toolkit/MiraboToolkit.h"

#include <cstdint>
#include <memory>
#include <thread>

constexpr int kWorkerCycleMs = 100;   // poll period, local and remote station alike
constexpr int kWorkerRetryMs = 2000;  // sleep after a failed connect attempt
constexpr int32_t kMaxStoredTags = 10000; // the connect step reads at most this many stored tags

// The thread procedure; returns 0. Never lets an exception out.
unsigned WorkerProc(CKestraExtShared* app);

// Opens the link and loads the shared state; 0 on success, else LinkOpen's code or MIRABO_E_FAIL when
// the link was lost during the step (the link is then closed and `link` is nullptr).
int32_t ConnectStep(CKestraExtShared* app, MiraboLink& link);
// Sends every queued change; false when the link was found lost.
bool SendChangesStep(CKestraExtShared* app, MiraboLink& link);
// Sends one OPC kind's queue (11, 12 or 13); false when the link was found lost.
bool SendOpcChanges(CKestraExtShared* app, MiraboLink& link, int32_t kind);
// Fetches the waiting log text (or discards it while paused); false when the link was found lost.
bool FetchTextStep(CKestraExtShared* app, MiraboLink& link);

// Starts a thread running WorkerProc(app); nullptr when no thread could be made.
std::unique_ptr<std::thread> StartWorkerThread(CKestraExtShared* app);
// Sets the stop word and joins the thread (if any), then releases it.
void StopWorkerThread(CKestraExtShared* app, std::unique_ptr<std::thread>& thread);
