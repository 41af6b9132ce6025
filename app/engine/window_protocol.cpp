#include "app/engine/window_protocol.h"
