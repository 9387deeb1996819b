// Serial port on termios; see serial_port.h.
#include "link/serial_port.h"
