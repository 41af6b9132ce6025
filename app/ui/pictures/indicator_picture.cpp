#include "app/ui/pictures/indicator_picture.h"
