// Between the bus and its enumeration: the interfaces plugged in with a description, and
// the description behind a handle. Only the simulated machine itself uses this.
#pragma once

#include <memory>
#include <vector>

#include "platform/hid.h"
#include "platform/sim/usb_device.h"

namespace sim {

void PlugDescribedInterface(std::shared_ptr<const HidInterfaceDescription> description);
// Present interfaces with a description, in the order they were plugged in.
std::vector<std::shared_ptr<const HidInterfaceDescription>> PresentDescribedInterfaces();
// Null unless the handle is open on an interface that is still the one it was opened on.
std::shared_ptr<const HidInterfaceDescription> DescriptionBehind(hid::Handle handle);

// Forgets every snapshot and parsed descriptor and clears the enumeration's own faults;
// part of ResetBus.
void ResetEnumeration();

}  // namespace sim
