// Finding the wanted devices among the HID interfaces present.
#pragma once

// Normal looks for devices in their running firmware; Check also accepts a
// receiver that has restarted into boot mode.
enum class ScanMode { Normal, Check };

// Rebuilds the process-wide device table from the HID interfaces present, asking each
// identity interface it records what the device is. In Check mode the result is true
// when an OTA interface was seen; Normal mode, and a scan cut short by a lack of
// memory, return false.
bool ScanDevices(ScanMode mode);
