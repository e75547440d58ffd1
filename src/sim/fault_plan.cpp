#include "sim/fault_plan.h"

namespace tarvos::sim {

bool ConsumeFault(int& counter) {
  if (counter == 0) return false;
  if (counter > 0) --counter;
  return true;
}

}  // namespace tarvos::sim
