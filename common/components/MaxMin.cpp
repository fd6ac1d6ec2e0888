#include "common/components/MaxMin.h"

// Everything of this unit is inline; the file proves the header stands alone.
