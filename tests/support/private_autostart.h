// Runs the real program in a mount namespace of its own, where an empty
// file system lies over /etc/xdg: the machine's own autostart folder is
// never seen, written or removed. The shutdown capability is dropped before
// the program starts, so that no answer can restart this machine.
#pragma once

#include <string>
#include <vector>

enum AutostartState {
    AUTOSTART_EMPTY,          // an empty folder
    AUTOSTART_MISSING,        // no folder at all
    AUTOSTART_READ_ONLY,      // an empty folder on a read-only file system
    AUTOSTART_FILE_IN_PLACE,  // a plain file where the folder should be
    AUTOSTART_WITH_ENTRY,     // the entry of an earlier arming
};

enum ProgramOutput {
    OUTPUT_TO_TEST,      // standard output reaches the test
    OUTPUT_BROKEN_PIPE,  // a pipe that nobody reads any more
    OUTPUT_CLOSED,       // no standard output at all
};

struct ProgramRun {
    std::vector<std::string> args;
    AutostartState state = AUTOSTART_EMPTY;
    ProgramOutput output = OUTPUT_TO_TEST;
    bool bUnprivileged = false;  // runs as the user nobody
    std::string strPath;         // PATH for the program; empty keeps the test's
};

// True when this machine lets the test make the namespace (root, /etc/xdg).
bool CanUsePrivateAutostart(std::string& strWhyNot);

// Runs in the test's child: prepares the namespace, runs the program to its
// end and then writes, on standard error, "@@autostart " and what the folder
// holds ("none", "file", or the entries' names and the Exec line). Returns
// the program's exit code, or 128 + the signal that ended it.
int RunInPrivateAutostart(const ProgramRun& run);
