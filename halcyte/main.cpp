// HalcyteExt: the database-inspection tool Kestra starts with "/dsip:HOST /dsport:PORT". It shows the
// station's tags with their current values and registers its window title, so that Kestra can bring the
// window to the front instead of starting a second copy. It trusts the stations the user trusts in Kestra
// and tells a refused key in Kestra's words and language.
#include "app/core/Language.h"
#include "app/core/SettingsFolder.h"
#include "desktop/TitleRegistry.h"
#include "desktop/TitleReport.h"
#include "halcyte/HalcyteOptions.h"
#include "halcyte/HalcyteWindow.h"
#include "link/StationTrust.h"
#include "res/Resources.h"
#include "toolkit/MiraboToolkit.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ToolkitInit();
    const QString exe = CurrentExecutablePath();
    const QString exeFolder = ExecutableFolder(exe);
    const QString userFolder = GetSettingsFolder(exe);
    ToolkitSetTrust(StationTrust(exeFolder, userFolder));
    // Kestra's bundle: the texts about a station's key are Kestra's.
    const res::ResourceModule* language = nullptr;
    LoadLanguageModule(GetCultureName(userFolder + QStringLiteral("Program Settings.ini"), 255).value_or(QString()),
                       exeFolder + QStringLiteral("kestra"), &language);
    res::SetCurrentModule(language);
    int result = 0;
    {
        HalcyteWindow window(ParseHalcyteArguments(QApplication::arguments().mid(1)));
        window.show();
        ReportTitleToStarter(new TitleRegistry(&window)); // the registry is owned by the window
        result = QApplication::exec();
    }
    res::SetCurrentModule(nullptr);
    FreeLanguageModule(&language);
    ToolkitExit();
    return result;
}
