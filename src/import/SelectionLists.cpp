#include "import/SelectionLists.h"
