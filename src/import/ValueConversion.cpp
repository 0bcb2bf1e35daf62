#include "import/ValueConversion.h"
