#include "storage/StorageTree.h"
