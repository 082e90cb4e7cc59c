// How the user is told about the Linux stand-ins.
#include "platform.h"

const char* AutostartEntryLocation()
{
    return "/etc/xdg/autostart/WinVantrel.desktop";
}

const char* AdministratorAccountName()
{
    return "root";
}
