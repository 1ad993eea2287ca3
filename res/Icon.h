// The program icon (resource 128): drawn at run time, so no image file ships with the program.
// Needs a QGuiApplication.
#pragma once

#include <QIcon>

namespace res {

QIcon ProgramIcon();

} // namespace res
