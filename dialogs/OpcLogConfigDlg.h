// The OPC log settings dialog (template 131) for one OPC kind: the kind's switch (Enable), four flags and
// a verbosity level, read from the service when the dialog is built. OK writes them into the kind's
// record; the command then queues them for the connection worker (RunOpcLogDialog).
#pragma once

#include "dialogs/OpcLogRules.h"
#include "res/widgets/TemplateDialog.h"

#include <optional>

class COpcLogConfigDlg : public res::TemplateDialog {
    Q_OBJECT
public:
    COpcLogConfigDlg(int32_t kind, OpcLogSettings* target, const OpcReads& reads, QWidget* parent = nullptr);

    int32_t m_nKind;
    int32_t m_bConnection = 0;
    int32_t m_bSubscription = 0;
    int32_t m_bRead = 0;
    int32_t m_bWrite = 0;
    int m_nVerbosityIndex = 0;
    int32_t m_bEnable = 0;
    OpcLogSettings* m_pTarget;

protected:
    void OnInitDialog() override;
    void OnCommand(int id) override;

private:
    void OnEnableClicked();
    void OnOkClicked();
    void DataExchange(bool toControls);
    void EnableOptions();

    OpcReads m_reads;
};

// Commands 32783-32785: runs the dialog for `kind` over `parent`, opening with `reads` (by default the
// station's values as the worker read them); after OK queues the kind's switch and its five parameters,
// after Cancel nothing. Returns the dialog's result.
int RunOpcLogDialog(CategoryWords& words, WorkerChannel& channel, int32_t kind, QWidget* parent,
                    const std::optional<OpcReads>& reads = std::nullopt);
