#include "app/viewer.h"

ViewerState viewer{};
