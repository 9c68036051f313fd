// The program on real parallel ports: the processor's port instructions,
// after the port-access driver has granted them.

#include <windows.h>

#include "app/PortSetup.h"
#include "app/QuorlApp.h"
#include "link/DeviceLink.h"
#include "link/DirectPortIo.h"
#include "link/PortDriverLoader.h"
#include "link/Win32PortAccessSystem.h"
#include "link/Win32PortMutex.h"

namespace {

class HardwarePortSetup : public PortSetup {
public:
    void AttachPorts(DeviceLink& link) override
    {
        link.AttachPorts(&m_ports);
        link.AttachPlayerLock(&m_lock); // each command holds its port, as mellifon-cli does
    }
    bool LoadPortDriver() override
    {
#ifdef _WIN64
        // A port instruction would kill the program here: 64-bit Windows has
        // no port-access driver and grants the ports to no program.
        MessageBoxA(nullptr,
                    "This Mellifon is the 64-bit program, and 64-bit Windows lets no program use the "
                    "parallel port's registers.\nA player needs the 32-bit mellifon.exe on 32-bit "
                    "Windows (XP, 2000 or 98), with giveio.sys beside it.",
                    "Mellifon", MB_OK | MB_ICONSTOP);
        return false;
#endif
        // The loader keeps the service manager open for the life of the program.
        static Win32PortAccessSystem system;
        static PortDriverLoader loader(system, g_szProgramDir);
        return loader.LoadPortDriver();
    }

private:
    DirectPortIo m_ports;
    Win32PortMutex m_lock;
};

HardwarePortSetup s_portSetup;

}

CQuorlApp theApp(s_portSetup);
