#include "systems.h"
