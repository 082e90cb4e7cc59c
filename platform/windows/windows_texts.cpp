// How the user is told where things are on Windows.
#include "platform.h"
#include "registry_access.h"

const char* AutostartEntryLocation()
{
    // As regedit shows the path, the value name last.
    return "HKEY_LOCAL_MACHINE\\" RUN_KEY_PATH "\\" AUTOSTART_VALUE;
}

const char* AdministratorAccountName()
{
    return "an administrator (from a command prompt opened with \"Run as administrator\")";
}
