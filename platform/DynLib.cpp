#include "platform/DynLib.h"
