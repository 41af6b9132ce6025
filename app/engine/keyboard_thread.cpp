#include "app/engine/keyboard_thread.h"
