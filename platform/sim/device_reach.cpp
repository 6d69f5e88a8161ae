#include "platform/sim/device_reach.h"

#include <atomic>

#include "platform/hid.h"

namespace sim {
namespace {

std::atomic<bool> pretendReal{false};

}  // namespace

void PretendDevicesAreReal(bool real) {
  pretendReal = real;
}

}  // namespace sim

bool hid::ReachesRealDevices() {
  return sim::pretendReal;
}
