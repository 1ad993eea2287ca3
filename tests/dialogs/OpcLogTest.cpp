// The OPC log settings dialog and its command: values read from the service, the Enable rule, the
// verbosity list, the caption, and what OK and Cancel queue.
#include "dialogs/OpcLogConfigDlg.h"
#include "common/StationParts.h"
#include "res/Ids.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <map>

namespace {

// The service's values as the dialog reads them, and the order of the reads.
struct FakeOpcService {
    int32_t enabled = 0;
    std::map<int32_t, int32_t> params; // parameter -> value (0 when absent)
    QStringList reads;

    OpcReads Reads() {
        return OpcReads{[this](int32_t kind) {
                            reads << QStringLiteral("switch %1").arg(kind);
                            return enabled;
                        },
                        [this](int32_t kind, int32_t param) {
                            reads << QStringLiteral("param %1/%2").arg(kind).arg(param);
                            return params[param];
                        }};
    }
};

// Runs the OPC command for `kind`; `act` works the dialog while it is shown.
int RunWith(StationParts& shared, int32_t kind, FakeOpcService& service,
            const std::function<void(COpcLogConfigDlg&)>& act) {
    QTimer::singleShot(0, [act] {
        if (auto* dialog = qobject_cast<COpcLogConfigDlg*>(QApplication::activeModalWidget()))
            act(*dialog);
    });
    return RunOpcLogDialog(shared.m_categories, shared.m_channel, kind, nullptr, service.Reads());
}

QCheckBox* Check(COpcLogConfigDlg& dialog, int id) { return dialog.ControlAs<QCheckBox>(id); }

} // namespace

TEST(OpcLogDialog, UaSwitchedOnFromOffQueuesSixEntriesInOrder) {
    StationParts shared;
    FakeOpcService service;
    service.params = {{0, 1}, {1, 0}, {2, 1}, {3, 0}, {4, -1}}; // verbosity unset
    const int result = RunWith(shared, kOpcKindUa, service, [](COpcLogConfigDlg& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "OPC UA Log Settings");
        auto* verbosity = dialog.ControlAs<QComboBox>(1017);
        ASSERT_EQ(verbosity->count(), 3);
        EXPECT_EQ(verbosity->currentText(), "Information") << "unset shows Information";
        EXPECT_EQ(verbosity->itemData(1).toInt(), 1);
        EXPECT_FALSE(Check(dialog, 1018)->isChecked());
        for (int id : {1013, 1014, 1015, 1016, 1017})
            EXPECT_FALSE(dialog.Control(id)->isEnabled()) << id;
        EXPECT_TRUE(Check(dialog, 1015)->isChecked()) << "values of a switched-off kind are shown";
        Check(dialog, 1018)->click();
        for (int id : {1013, 1014, 1015, 1016, 1017})
            EXPECT_TRUE(dialog.Control(id)->isEnabled()) << id;
        Check(dialog, 1016)->click();
        verbosity->setCurrentIndex(1);
        dialog.ControlAs<QPushButton>(ids::IDOK)->click();
    });
    EXPECT_EQ(result, ids::IDOK);
    EXPECT_EQ(service.reads, QStringList({"switch 12", "param 12/2", "param 12/3", "param 12/1", "param 12/0",
                                          "param 12/4"}));
    EXPECT_EQ(shared.m_categories.m_opcUa.enabled.load(), 1);
    EXPECT_EQ(shared.m_categories.m_opcUa.write.load(), 1);
    EXPECT_EQ(shared.m_categories.m_opcUa.verbosity.load(), 1);
    EXPECT_EQ(shared.m_channel.SwitchQueue(), ChangeQueue({PackChange(12, 1)}));
    EXPECT_EQ(shared.m_channel.OpcQueue(kOpcKindUa), ChangeQueue({PackChange(0, 1), PackChange(1, 0), PackChange(2, 1),
                                                         PackChange(3, 1), PackChange(4, 1)}));
    EXPECT_TRUE(shared.m_channel.OpcQueue(kOpcKindXmlDa).empty());
    EXPECT_TRUE(shared.m_channel.OpcQueue(kOpcKindNet).empty());
}

TEST(OpcLogDialog, UnknownVerbosityShowsErrorAndCancelQueuesNothing) {
    StationParts shared;
    FakeOpcService service;
    service.enabled = 1;
    service.params = {{4, 7}};
    shared.m_categories.m_opcXmlDa.verbosity = 2;
    int result = RunWith(shared, kOpcKindXmlDa, service, [](COpcLogConfigDlg& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "OPC XML/DA Log Settings");
        EXPECT_EQ(dialog.ControlAs<QComboBox>(1017)->currentIndex(), 0) << "a level the list lacks shows Error";
        EXPECT_TRUE(dialog.Control(1017)->isEnabled());
        QTest::keyClick(&dialog, Qt::Key_Escape);
    });
    EXPECT_EQ(result, ids::IDCANCEL);
    EXPECT_EQ(shared.m_categories.m_opcXmlDa.verbosity.load(), 2) << "the record is untouched";
    EXPECT_TRUE(shared.m_channel.SwitchQueue().empty());
    EXPECT_TRUE(shared.m_channel.OpcQueue(kOpcKindXmlDa).empty());

    // OK without a change queues all six anyway, with the Error level.
    result = RunWith(shared, kOpcKindXmlDa, service,
                     [](COpcLogConfigDlg& dialog) { dialog.ControlAs<QPushButton>(ids::IDOK)->click(); });
    EXPECT_EQ(result, ids::IDOK);
    EXPECT_EQ(shared.m_channel.SwitchQueue(), ChangeQueue({PackChange(11, 1)}));
    EXPECT_EQ(shared.m_channel.OpcQueue(kOpcKindXmlDa).size(), 5u);
    EXPECT_EQ(shared.m_channel.OpcQueue(kOpcKindXmlDa).back(), PackChange(4, 0));
}

TEST(OpcLogDialog, OpensWithTheStationsValuesAsTheWorkerReadThemElseWithTheRecord) {
    StationParts shared;
    OpcStationValues station;
    station.known = true;
    station.switchValue = 1;
    station.params = {1, 0, 1, 0, -1}; // connection, subscription, read, write, verbosity unset
    shared.m_channel.SetStationOpc(kOpcKindUa, station);
    const auto shows = [&](int32_t kind) {
        QStringList seen;
        QTimer::singleShot(0, [&seen] {
            if (auto* dialog = qobject_cast<COpcLogConfigDlg*>(QApplication::activeModalWidget())) {
                for (int id : {1018, 1013, 1014, 1015, 1016})
                    seen << (Check(*dialog, id)->isChecked() ? QStringLiteral("x") : QStringLiteral("-"));
                seen << dialog->ControlAs<QComboBox>(1017)->currentText();
                QTest::keyClick(dialog, Qt::Key_Escape);
            }
        });
        RunOpcLogDialog(shared.m_categories, shared.m_channel, kind, nullptr);
        return seen.join(u' ');
    };
    // Enable, Connection, Subscription, Read, Write, Verbosity.
    EXPECT_EQ(shows(kOpcKindUa), "x x - x - Information");
    // A kind the worker has not read yet opens with what its record holds.
    shared.m_categories.m_opcNet.subscription = 1;
    shared.m_categories.m_opcNet.verbosity = 1;
    EXPECT_EQ(shows(kOpcKindNet), "- - x - - Warning");
}
