// The simulator build: the same program, its ports answered by the simulated
// player at 0x378 whose flash is the default image file, shared with
// mellifon-cli. Port access needs no driver here.

#include <memory>
#include <string>

#include "app/PortSetup.h"
#include "app/QuorlApp.h"
#include "link/DeviceLink.h"
#include "simulator/DefaultImagePath.h"
#include "simulator/FlashMemory.h"
#include "simulator/ImageFileLock.h"
#include "simulator/SimulatedPlayer.h"

namespace {

constexpr uint16_t kPlayerPort = 0x378;

class SimulatorPortSetup : public PortSetup {
public:
    void AttachPorts(DeviceLink& link) override
    {
        const std::string path = DefaultPlayerImagePath();
        std::string error;
        if (MakeImageFolder(path, &error))
            m_flash = FlashMemory::OpenImage(path, &error);
        if (!m_flash) {
            // With no player the port search asks the user to connect one.
            MessageBoxA(nullptr, ("The simulated player cannot start:\n" + error).c_str(), "Mellifon",
                        MB_OK | MB_ICONEXCLAMATION);
            return;
        }
        m_player = std::make_unique<SimulatedPlayer>(*m_flash, kPlayerPort);
        link.AttachPorts(m_player.get());
        // Each command holds the image, which mellifon-cli shares.
        m_lock = std::make_unique<ImageFileLock>(*m_flash, kPlayerPort);
        link.AttachPlayerLock(m_lock.get());
    }
    bool LoadPortDriver() override { return true; }

private:
    std::unique_ptr<FlashMemory> m_flash;
    std::unique_ptr<SimulatedPlayer> m_player;
    std::unique_ptr<ImageFileLock> m_lock;
};

SimulatorPortSetup s_portSetup;

}

CQuorlApp theApp(s_portSetup);
