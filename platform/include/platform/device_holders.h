#pragma once

// Which other processes hold a device open: the programs a user is told about
// when a port is busy. Linux reads /proc (the locks on the device first, then
// each process's open descriptors it may look into); another user's process is
// found only by root. Elsewhere nothing is known and the list is empty.

#include <string>
#include <vector>

namespace platform {

struct DeviceHolder {
    long pid = 0;
    std::string name;  // the kernel's short name of the program (/proc/PID/comm)
};

// The processes other than this one that hold `device` (a path; links are
// followed), lowest process ID first. Those that hold a lock on it, when any
// does (none when only this process does); otherwise every one with a
// descriptor open on it. Empty when none is found or `device` is no device.
std::vector<DeviceHolder> device_holders(const std::string &device);

}  // namespace platform
