#include "tracer/tvrt.h"
