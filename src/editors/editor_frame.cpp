// (being written)
#include "editors/editor_frame.h"
