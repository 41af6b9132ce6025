#include "app/ui/pictures/preview_picture.h"
