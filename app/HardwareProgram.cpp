// The program on real parallel ports: the processor's port instructions,
// after the port-access driver has granted them.

#include "app/PortSetup.h"
#include "app/QuorlApp.h"
#include "link/DeviceLink.h"
#include "link/DirectPortIo.h"
#include "link/PortDriverLoader.h"
#include "link/Win32PortAccessSystem.h"

namespace {

class HardwarePortSetup : public PortSetup {
public:
    void AttachPorts(DeviceLink& link) override { link.AttachPorts(&m_ports); }
    bool LoadPortDriver() override
    {
        // The loader keeps the service manager open for the life of the program.
        static Win32PortAccessSystem system;
        static PortDriverLoader loader(system, g_szProgramDir);
        return loader.LoadPortDriver();
    }

private:
    DirectPortIo m_ports;
};

HardwarePortSetup s_portSetup;

}

CQuorlApp theApp(s_portSetup);
