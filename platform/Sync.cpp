#include "platform/Sync.h"
