#pragma once
// The link's exchanges with the player one level up from the port
// registers: wake, release, wait for the ready line, read a page, program
// a page, erase a unit. A page-level model of the player serves them when
// a test or a fuzz target attaches one to the link, so that the storage
// code runs thousands of times faster than through the register cycles.
// Each call stands for the exchange the link makes on the wire and gives
// the result the link would report. The program itself never attaches one.

#include <cstdint>

class PageDevice {
public:
    virtual ~PageDevice() = default;
    virtual int OpenLink() = 0;
    virtual int CloseLink() = 0;
    virtual int WaitReady() = 0;
    // All 528 bytes of page `page` cross; the first `keep` land in `destination`.
    virtual int ReadPage(uint32_t page, uint8_t* destination, int keep) = 0;
    // 512 data bytes and the 16 spare bytes the link built for them.
    virtual int ProgramPage(uint32_t page, const uint8_t* data, const uint8_t* spare) = 0;
    // The erase unit that starts at page `page`.
    virtual int EraseUnit(uint32_t page) = 0;
};
