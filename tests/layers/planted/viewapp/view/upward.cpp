// Planted for the layer test: the page view reaching up to the application.
#include "app/ctavapp.h"
