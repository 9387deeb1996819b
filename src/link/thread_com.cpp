// Exchange thread; see thread_com.h.
#include "link/thread_com.h"
