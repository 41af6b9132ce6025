#include "app/session/shared_picture.h"
