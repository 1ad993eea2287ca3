// HalcyteExt: the database-inspection tool Kestra starts with "/dsip:HOST /dsport:PORT". It shows the
// station's tags with their current values and registers its window title, so that Kestra can bring the
// window to the front instead of starting a second copy.
#include "desktop/TitleRegistry.h"
#include "desktop/TitleReport.h"
#include "halcyte/HalcyteOptions.h"
#include "halcyte/HalcyteWindow.h"
#include "toolkit/MiraboToolkit.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ToolkitInit();
    int result = 0;
    {
        HalcyteWindow window(ParseHalcyteArguments(QApplication::arguments().mid(1)));
        window.show();
        ReportTitleToStarter(new TitleRegistry(&window)); // the registry is owned by the window
        result = QApplication::exec();
    }
    ToolkitExit();
    return result;
}
