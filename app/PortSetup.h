#pragma once
// What differs between the program on real ports and the simulator build:
// where the link's four port operations go, and how the process gets the
// right to use them.

class DeviceLink;

class PortSetup {
public:
    virtual ~PortSetup() = default;
    virtual void AttachPorts(DeviceLink& link) = 0;
    // False when the program cannot go on.
    virtual bool LoadPortDriver() = 0;
};
