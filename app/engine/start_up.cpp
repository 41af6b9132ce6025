#include "app/engine/start_up.h"
