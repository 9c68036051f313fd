// Gaining port access on every path: the 95 family, a running driver, a
// stopped one, none installed, a refused service manager, a missing driver file.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/PortDriverLoader.h"

namespace {

// A system whose driver service and device behave as the test says; it
// notes every call.
class ScriptedSystem : public PortAccessSystem {
public:
    uint32_t version = 0x0A280105; // an NT version
    bool deviceOpens = false;      // the driver runs
    bool managerOpens = true;
    bool serviceExists = false;
    bool driverFileExists = true;
    std::vector<std::string> calls;
    std::string message, caption;

    uint32_t GetVersion() override { return version; }
    Handle OpenServiceManager() override
    {
        calls.push_back("OpenServiceManager");
        return managerOpens ? Handle(1) : nullptr;
    }
    Handle OpenDriverService(Handle manager, const std::string& name) override
    {
        calls.push_back("OpenService " + name);
        m_error = 1060; // does not exist
        return manager && serviceExists ? Handle(2) : nullptr;
    }
    bool StartDriverService(Handle) override
    {
        calls.push_back("StartService");
        if (!driverFileExists) {
            m_error = 2;
            return false;
        }
        deviceOpens = true;
        return true;
    }
    Handle CreateDriverService(Handle, const std::string& name, const std::string& path) override
    {
        calls.push_back("CreateService " + name + " " + path);
        if (serviceExists) {
            m_error = 1073; // already exists
            return nullptr;
        }
        serviceExists = true;
        return Handle(3);
    }
    void CloseServiceHandle(Handle) override { calls.push_back("CloseServiceHandle"); }
    Handle OpenDevice(const std::string& path) override
    {
        calls.push_back("OpenDevice " + path);
        return deviceOpens ? Handle(4) : nullptr;
    }
    void CloseDevice(Handle) override { calls.push_back("CloseDevice"); }
    uint32_t LastError() override { return m_error; }
    void ShowMessage(const std::string& text, const std::string& title) override
    {
        message = text;
        caption = title;
    }

private:
    uint32_t m_error = 0;
};

using Calls = std::vector<std::string>;

bool Load(ScriptedSystem& system)
{
    PortDriverLoader loader(system, "C:\\Programs\\Mellifon");
    return loader.LoadPortDriver();
}

TEST(PortDriverLoader, TheWindows95FamilyNeedsNoDriver)
{
    ScriptedSystem system;
    system.version = 0xC0000A04;
    EXPECT_TRUE(Load(system));
    EXPECT_TRUE(system.calls.empty());
}

TEST(PortDriverLoader, ARunningDriverNeedsNoServiceManager)
{
    ScriptedSystem system;
    system.deviceOpens = true;
    system.managerOpens = false; // a user without the right to manage services
    EXPECT_TRUE(Load(system));
    EXPECT_EQ(system.calls, (Calls{"OpenDevice \\\\.\\giveio", "CloseDevice"}));
}

TEST(PortDriverLoader, AStoppedServiceIsStartedNotCreatedAgain)
{
    ScriptedSystem system;
    system.serviceExists = true;
    EXPECT_TRUE(Load(system));
    EXPECT_EQ(system.calls, (Calls{"OpenDevice \\\\.\\giveio", "OpenServiceManager", "OpenService giveio",
                                   "StartService", "CloseServiceHandle", "OpenDevice \\\\.\\giveio",
                                   "CloseDevice"}));
}

TEST(PortDriverLoader, AMissingServiceIsCreatedFromTheProgramFolderAndStarted)
{
    ScriptedSystem system;
    EXPECT_TRUE(Load(system));
    EXPECT_EQ(system.calls,
              (Calls{"OpenDevice \\\\.\\giveio", "OpenServiceManager", "OpenService giveio",
                     "CreateService giveio C:\\Programs\\Mellifon\\giveio.sys", "CloseServiceHandle",
                     "OpenService giveio", "StartService", "CloseServiceHandle", "OpenDevice \\\\.\\giveio",
                     "CloseDevice"}));
}

TEST(PortDriverLoader, ARefusedServiceManagerSaysSo)
{
    ScriptedSystem system;
    system.managerOpens = false;
    EXPECT_FALSE(Load(system));
    EXPECT_EQ(system.message, "Can't connect to service control manager");
    EXPECT_EQ(system.caption, "LoadDrv");
}

TEST(PortDriverLoader, AServiceThatCannotStartFailsEveryStartWithoutAMessage)
{
    ScriptedSystem system;
    system.driverFileExists = false;
    EXPECT_FALSE(Load(system)); // created, then the start fails
    EXPECT_TRUE(system.serviceExists);
    system.calls.clear();
    EXPECT_FALSE(Load(system)); // the start fails, and it exists already
    EXPECT_EQ(system.calls, (Calls{"OpenDevice \\\\.\\giveio", "OpenServiceManager", "OpenService giveio",
                                   "StartService", "CloseServiceHandle",
                                   "CreateService giveio C:\\Programs\\Mellifon\\giveio.sys"}));
    EXPECT_EQ(system.message, "");
}

} // namespace
