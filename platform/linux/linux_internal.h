// What the files of the Linux layer share among themselves.
#pragma once

#include "win_api.h"

// Sets the code that GetLastError answers next.
void SetLinuxLastError(DWORD dwError);

// Maps an errno value to the Windows error code that callers expect:
// permission or read-only file system to ERROR_ACCESS_DENIED, a missing file
// to ERROR_FILE_NOT_FOUND, anything else to a nonzero code.
LONG ErrnoToWinError(int nErrno);
