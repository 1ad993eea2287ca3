// What start-up and shut-down take from the outside world, so that tests can replace it: the program
// file, the millisecond clock and the limit of the first-connection wait, the start of the worker
// thread, and the modal boxes the user would have to answer. Every member left empty means the real
// thing.
#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

class CCheckCredentialDlg;
struct WorkerParts;

struct StartupHooks {
    // The program file (its folder holds KestraExt.ini, the product settings and the language folders).
    QString modulePath;
    // How long StartWorker waits for the first connection, in ms.
    int32_t startWaitLimitMs = 60000;
    // A 32-bit millisecond tick count that may wrap around.
    std::function<uint32_t()> tickCount;
    // Starts the connection worker; nullptr means no thread could be made.
    std::function<std::unique_ptr<std::thread>(WorkerParts)> startWorkerThread;
    // Shows an error message.
    std::function<void(const QString& text)> messageBox;
    // Runs the credential dialog modally and returns its result (1 OK, 2 Cancel).
    std::function<int(CCheckCredentialDlg&)> runCredentialDialog;
    // Asks a Yes/No question (trust this key? send the password in clear?); true for Yes.
    std::function<bool(const QString& text)> askYesNo;
};
