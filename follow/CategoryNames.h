// The short names by which the terminal follower's command line names the log categories.
#pragma once

#include "link/LogCategories.h"

#include <QStringView>

#include <optional>

namespace follow {

struct CategoryName {
    const char* name;        // lower-case, as typed after --category
    const char* description; // one line for --help
};

// Every category has one (the compiler warns when a category is added without a name).
CategoryName NameOf(LogCategoryId id);

// The category with this short name, without regard to case.
std::optional<LogCategoryId> CategoryByName(QStringView name);

} // namespace follow
