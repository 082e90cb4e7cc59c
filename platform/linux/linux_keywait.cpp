// The final key wait on Linux: one key from the controlling terminal itself,
// unechoed, whatever standard input is.
#include "platform.h"
#include "terminal.h"

#include <unistd.h>

void WaitForKeyPress()
{
    int fd = OpenControllingTerminal();
    if (fd < 0)
        return;  // nobody to press a key
    {
        // Keys already typed stay queued, so one pressed early ends the wait at
        // once. Ctrl+C is a key like any other here; every key the terminal
        // can send ends the wait, since keys that send nothing never get here.
        CRawTerminal raw(fd);
        if (raw.IsRaw()) {
            CKeyReader reader(fd);
            DecodedKey key;
            reader.ReadKey(&key);  // a failed read ends the wait as well
        }
    }
    close(fd);
}
