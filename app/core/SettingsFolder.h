// Where the program's settings live.
//
// The executable folder holds the read-only copy of KestraExt.ini (connection options) and the product's
// "Program Settings.ini". The per-user settings folder holds the copy of KestraExt.ini that the program
// writes, and the user's "Program Settings.ini" (language). Every folder returned here ends in '/', and
// file paths are made by appending the file name.
#pragma once

#include <QString>

// The folder part of an executable's path: everything up to and including the last '/'. An empty path
// gives an empty folder.
QString ExecutableFolder(const QString& exePath);

// The running program's full path (empty when it cannot be found).
QString CurrentExecutablePath();

// The per-user settings folder for the program at `modulePath`:
//   <base>/<product folder name>/
// where <base> is $XDG_DATA_HOME when it is set, non-empty and absolute, else $HOME/.local/share when
// HOME is set and non-empty. The product folder name comes from "Program Settings.ini" beside the
// executable (see GetProductFolderName); without that file the folder is <base>/. With no base at all,
// or when the result would not fit in `capacity` characters including the terminator, it is the
// executable folder. An empty `modulePath`, a capacity of 0 or less, or an executable folder that does
// not fit gives an empty string. (A cut-off path would name some other folder, so nothing is truncated.)
QString GetSettingsFolder(const QString& modulePath, int capacity = 260);

// "<ProductName> v<Version>" from sections "OEM" and "Install" of the product settings file (defaults
// "Mirabo" and "6.1"), or only the product name when `withVersion` is false; truncated to capacity - 1
// characters.
QString GetProductFolderName(const QString& productSettingsFile, int capacity, bool withVersion);

// Creates `folder` and any missing parents. True when the folder exists afterwards.
bool EnsureSettingsFolder(const QString& folder);
