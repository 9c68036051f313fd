// The named mutex per port that the window and the tool take for each
// command: a second program waits for it, then is refused; the window lets
// it go between commands.

#include <gtest/gtest.h>

#include "SimulatedProgram.h"
#include "link/DeviceLink.h"
#include "link/Win32PortMutex.h"
#include "storage/StorageTexts.h"

namespace {

// Another program: a thread that takes the port's mutex and keeps it until
// the object goes.
class OtherProgram {
public:
    explicit OtherProgram(int base) : m_nBase(base)
    {
        m_hHasIt = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        m_hLetGo = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        m_hThread = CreateThread(nullptr, 0, &Run, this, 0, nullptr);
        WaitForSingleObject(m_hHasIt, 10000);
    }
    ~OtherProgram()
    {
        SetEvent(m_hLetGo);
        WaitForSingleObject(m_hThread, 10000);
        for (HANDLE handle : {m_hThread, m_hLetGo, m_hHasIt})
            CloseHandle(handle);
    }
    LockResult result = LockResult::Failed;

private:
    static DWORD WINAPI Run(void* self)
    {
        auto* program = static_cast<OtherProgram*>(self);
        Win32PortMutex lock;
        program->result = lock.Acquire(program->m_nBase, 0);
        SetEvent(program->m_hHasIt);
        WaitForSingleObject(program->m_hLetGo, INFINITE);
        return 0;
    }
    int m_nBase;
    HANDLE m_hHasIt, m_hLetGo, m_hThread;
};

TEST(PortMutex, ASecondProgramOnThePortWaitsThenIsRefused)
{
    Win32PortMutex mine;
    {
        OtherProgram other(0x378);
        ASSERT_EQ(other.result, LockResult::Held);
        const DWORD before = GetTickCount();
        EXPECT_EQ(mine.Acquire(0x378, 200), LockResult::Busy);
        EXPECT_GE(GetTickCount() - before, 150u);
        EXPECT_EQ(mine.Acquire(0x278, 0), LockResult::Held); // each port its own
        mine.Release();
    }
    EXPECT_EQ(mine.Acquire(0x378, 0), LockResult::Held);
    {
        OtherProgram other(0x378);
        EXPECT_EQ(other.result, LockResult::Busy);
    }
    mine.Release();
}

TEST(PortMutex, TheWindowHoldsThePortForEachCommandOnly)
{
    SimulatedProgram program;
    program.StoreSongs({"a"});
    Win32PortMutex lock;
    g_deviceLink.AttachPlayerLock(&lock);
    program.Open();
    {
        OtherProgram between(0x378); // after the first fill
        EXPECT_EQ(between.result, LockResult::Held);
        MessageBoxAnswers answers({IDOK});
        program.view->FillSongList();
        EXPECT_EQ(answers.texts, std::vector<std::string>{kPlayerBusy});
        EXPECT_EQ(program.RowNames(), std::vector<std::string>{"a"});
    }
    program.Close();
    g_deviceLink.AttachPlayerLock(nullptr);
}

}
