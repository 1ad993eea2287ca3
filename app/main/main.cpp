// Entry point of the log viewer.
#include "app/KestraExtApp.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication qtApp(argc, argv);
    CKestraExtApp app;
    return 0;
}
