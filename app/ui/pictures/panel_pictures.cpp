#include "app/ui/pictures/panel_pictures.h"
