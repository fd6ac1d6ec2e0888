#include "common/MaxMin.h"

// Everything of this unit is inline; the file proves the header stands alone.
