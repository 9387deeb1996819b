// (being written)
#include "sim/sim_device.h"
