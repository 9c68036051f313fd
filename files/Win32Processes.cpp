// On every Windows from 98 on: a process is asked for by its id, and runs
// while its handle is not signalled.

#include "files/Processes.h"

#include <windows.h>

unsigned long ThisProcessId()
{
    return GetCurrentProcessId();
}

bool ProcessRunning(unsigned long id)
{
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, DWORD(id));
    if (!process)
        return GetLastError() != ERROR_INVALID_PARAMETER; // no such process; else denied, so it runs
    const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return running;
}
