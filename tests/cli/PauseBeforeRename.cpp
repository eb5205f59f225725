// Preloaded into orlet-gen by OutputTargetsTest: fsync, the last step before
// the new file is renamed over the target, says so on standard error and
// waits there for a signal.

#include <unistd.h>

extern "C" int fsync(int)
{
    static const char said[] = "paused before the rename\n";
    (void)!::write(2, said, sizeof said - 1);
    for (;;)
        ::pause();
}
