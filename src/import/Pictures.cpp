#include "import/Pictures.h"
