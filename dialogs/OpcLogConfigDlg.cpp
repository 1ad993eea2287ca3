#include "dialogs/OpcLogConfigDlg.h"

#include "res/Ids.h"
#include "res/Resources.h"

#include <QCheckBox>
#include <QComboBox>

namespace {

constexpr int kConnection = 1013;
constexpr int kSubscription = 1014;
constexpr int kRead = 1015;
constexpr int kWrite = 1016;
constexpr int kVerbosity = 1017;
constexpr int kEnable = 1018;

} // namespace

COpcLogConfigDlg::COpcLogConfigDlg(int32_t kind, OpcLogSettings* target, const OpcReads& reads, QWidget* parent)
    : res::TemplateDialog(ids::IDD_OPC_LOG_CONFIG, parent), m_nKind(kind), m_pTarget(target), m_reads(reads) {
    // The service's current values, not the record's, in this order.
    m_bEnable = m_reads.switchGet(kind);
    m_bRead = m_reads.paramGet(kind, 2);
    m_bWrite = m_reads.paramGet(kind, 3);
    m_bSubscription = m_reads.paramGet(kind, 1);
    m_bConnection = m_reads.paramGet(kind, 0);
}

void COpcLogConfigDlg::OnInitDialog() {
    if (const int caption = OpcCaptionStringId(m_nKind))
        setWindowTitle(res::String(caption));
    auto* verbosity = ControlAs<QComboBox>(kVerbosity);
    for (const VerbosityEntry& entry : kVerbosityEntries)
        verbosity->addItem(res::String(entry.stringId), entry.level);
    m_nVerbosityIndex = VerbosityPosition(m_reads.paramGet(m_nKind, 4));
    DataExchange(true);
    EnableOptions();
}

void COpcLogConfigDlg::DataExchange(bool toControls) {
    const std::pair<int, int32_t*> checks[] = {{kConnection, &m_bConnection}, {kSubscription, &m_bSubscription},
                                               {kRead, &m_bRead},             {kWrite, &m_bWrite},
                                               {kEnable, &m_bEnable}};
    for (const auto& [id, member] : checks) {
        auto* box = ControlAs<QCheckBox>(id);
        if (toControls)
            box->setChecked(*member != 0);
        else
            *member = box->isChecked() ? 1 : 0;
    }
    auto* verbosity = ControlAs<QComboBox>(kVerbosity);
    if (toControls)
        verbosity->setCurrentIndex(m_nVerbosityIndex);
    else
        m_nVerbosityIndex = verbosity->currentIndex();
}

void COpcLogConfigDlg::EnableOptions() {
    // The group box and the "Verbosity:" label stay enabled.
    for (int id : {kConnection, kSubscription, kRead, kWrite, kVerbosity})
        Control(id)->setEnabled(m_bEnable != 0);
}

void COpcLogConfigDlg::OnCommand(int id) {
    if (id == kEnable)
        OnEnableClicked();
    else if (id == ids::IDOK)
        OnOkClicked();
    else
        res::TemplateDialog::OnCommand(id);
}

void COpcLogConfigDlg::OnEnableClicked() {
    DataExchange(false);
    EnableOptions();
    DataExchange(true);
}

void COpcLogConfigDlg::OnOkClicked() {
    DataExchange(false);
    // Disabled controls are written too: a kind switched off keeps the parameters shown.
    m_pTarget->enabled = m_bEnable;
    m_pTarget->read = m_bRead;
    m_pTarget->write = m_bWrite;
    m_pTarget->subscription = m_bSubscription;
    m_pTarget->connection = m_bConnection;
    m_pTarget->verbosity = VerbosityLevel(m_nVerbosityIndex);
    OnOK();
}

int RunOpcLogDialog(CategoryWords& words, WorkerChannel& channel, int32_t kind, QWidget* parent,
                    const std::optional<OpcReads>& reads) {
    OpcLogSettings* record = words.OpcRecord(kind);
    if (!record)
        return ids::IDCANCEL;
    COpcLogConfigDlg dialog(kind, record, reads ? *reads : StationOpcReads(channel, words), parent);
    const int result = dialog.DoModal();
    if (result == ids::IDOK)
        QueueOpcRecord(channel, kind, *record);
    return result;
}
