#include "dialogs/HalcyteLauncher.h"

#include "desktop/TitleRegistry.h"
#include "desktop/TitleReport.h"
#include "dialogs/DetachedProcess.h"
#include "res/Ids.h"
#include "res/Resources.h"
#include "res/widgets/MessageBox.h"

#include <QProcess>

QString HalcyteCommandLine(const QString& exePath, const QString& toolFile, const QString& host, int32_t port) {
    const qsizetype slash = exePath.lastIndexOf(QLatin1Char('/'));
    const QString folder = slash < 0 ? exePath : exePath.left(slash);
    const QString switches = QStringLiteral("\" /dsip:") + host.trimmed() + QStringLiteral(" /dsport:") +
                             QString::number(port);
    return QLatin1Char('"') + folder + QLatin1Char('/') + toolFile + switches.toUpper();
}

CHalcyteLauncher::CHalcyteLauncher(const ConnectionOptions& options, QString exePath, QWidget* parent)
    : m_options(options), m_exePath(std::move(exePath)), m_parent(parent) {
    m_showMessage = [this](const QString& text) { res::ShowMessageBox(m_parent, text, res::MessageIcon::None); };
}

CHalcyteLauncher::Outcome CHalcyteLauncher::OnLaunchHalcyte() {
    if (!m_strHalcyteTitle.isEmpty() && TitleRegistry::BringToFront(m_strHalcyteTitle))
        return Outcome::BroughtForward;

    const QString commandLine =
        HalcyteCommandLine(m_exePath, res::String(ids::IDS_HALCYTE_EXE), m_options.m_strHost, m_options.m_nPort);
    // The started tool reports its registered window title here.
    TitleReportListener report;
    QStringList environment;
    if (report.IsListening())
        environment << report.EnvironmentEntry();
    qint64 pid = 0;
    const int error = StartDetached(QProcess::splitCommand(commandLine), environment, &pid);
    if (error != 0) {
        m_showMessage(res::FormatString(ids::IDS_HALCYTE_ERROR, {QString::number(error)}));
        return Outcome::Failed;
    }
    m_nStartedPid = pid;
    const QString title = report.WaitForTitle(m_nTitleWaitMs);
    if (!title.isEmpty())
        m_strHalcyteTitle = title; // otherwise the previous title stays
    return Outcome::Started;
}
