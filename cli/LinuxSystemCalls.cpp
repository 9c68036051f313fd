// The real system calls for the tool's Linux port back ends.

#include "link/LinuxSystemPortCalls.h"

LinuxPortCalls& SystemPortCalls()
{
    static LinuxSystemPortCalls calls;
    return calls;
}
