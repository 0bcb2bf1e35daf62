#include "storage/StoragePicker.h"
