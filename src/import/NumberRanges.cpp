#include "import/NumberRanges.h"
