#include "app/new_pass_dialog.h"
