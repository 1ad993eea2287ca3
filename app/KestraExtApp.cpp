#include "app/KestraExtApp.h"
// Filled in with the option readers.
CKestraExtApp::CKestraExtApp() = default;
CKestraExtApp::~CKestraExtApp() = default;
