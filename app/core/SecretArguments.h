// The password given as "/password:..." stands in the process's argument list, which every user of the
// machine can read (/proc/PID/cmdline, ps) for as long as the process runs. Once the arguments have been
// read, HideSecretArguments overwrites each such value in place, in the very memory the system shows.
#pragma once

// Every argument that is the password switch (compared as the command-line parser does: double quotes
// dropped, the prefix without regard to case) keeps its prefix; every byte after it becomes zero.
void HideSecretArguments(int argc, char** argv);
