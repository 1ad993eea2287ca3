// The program's own resources as data: the tables behind res::OwnModule() and the lookups of
// res/Resources.h. Only the resource layer reads them directly.
#pragma once

#include "res/Resources.h"

#include <map>

namespace res::builtin {

const std::map<int, QString>& Strings();
const QList<MenuItem>& MainMenu();              // menu 128
const QList<Accelerator>& MainAccelerators();   // accelerator table 128
const std::map<int, DialogTemplate>& Dialogs(); // by template id

} // namespace res::builtin
