#include "host/controls.h"

HostControls hostControls;
