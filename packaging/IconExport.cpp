// Writes the program icon as PNG files for the desktop's icon theme: <out>/<size>x<size>/apps/kestra.png.
// The same drawing as the window icon (res/Icon.cpp), so the menu and the window show one icon.
//   kestra_icon_export OUT_FOLDER SIZE...
#include "res/Icon.h"

#include <QDir>
#include <QGuiApplication>
#include <QPixmap>

#include <cstdio>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: kestra_icon_export OUT_FOLDER SIZE...\n");
        return 2;
    }
    const QIcon icon = res::ProgramIcon();
    for (const QString& sizeText : args.mid(2)) {
        const int size = sizeText.toInt();
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(args[1]).arg(size);
        if (size <= 0 || !QDir().mkpath(folder) ||
            !icon.pixmap(size, size).toImage().save(folder + QStringLiteral("/kestra.png"))) {
            std::fprintf(stderr, "could not write the %s icon\n", qPrintable(sizeText));
            return 1;
        }
    }
    return 0;
}
