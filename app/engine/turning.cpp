#include "app/engine/turning.h"
