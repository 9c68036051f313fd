#include "files/Processes.h"

#include <cerrno>
#include <csignal>
#include <unistd.h>

unsigned long ThisProcessId()
{
    return static_cast<unsigned long>(getpid());
}

bool ProcessRunning(unsigned long id)
{
    const pid_t pid = static_cast<pid_t>(id);
    if (pid <= 0 || static_cast<unsigned long>(pid) != id)
        return true; // no id a process has: nothing to judge by
    // Signal 0 only asks: no such process, or one of another user.
    return kill(pid, 0) == 0 || errno != ESRCH;
}
