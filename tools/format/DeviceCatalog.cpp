#include "DeviceCatalog.h"

const std::vector<DeviceInfo>& DeviceCatalog::all()
{
    // Sector counts stay at eight so an erase takes about as long on every part.
    static const std::vector<DeviceInfo> devices = {
        {"TRW8K", 8u * 1024, 256, 1024},
        {"TRW32K", 32u * 1024, 256, 4 * 1024},
        {"TRW128K", 128u * 1024, 512, 16 * 1024},
    };
    return devices;
}

const DeviceInfo* DeviceCatalog::find(std::string_view name)
{
    for (const DeviceInfo& d : all())
        if (name == d.name)
            return &d;
    return nullptr;
}
