#include "app/engine/engine.h"
