#pragma once
// A copy of the link's whole directory image, to put back when a change is
// abandoned.

#include <memory>

#include "link/DeviceLink.h"

class ImageSnapshot {
public:
    explicit ImageSnapshot(DeviceLink& link) : m_link(link), m_copy(std::make_unique<DirectoryImage>(link.m_image)) {}
    void Restore() { m_link.m_image = *m_copy; }
    const DirectoryImage& Image() const { return *m_copy; }

private:
    DeviceLink& m_link;
    std::unique_ptr<DirectoryImage> m_copy;
};
