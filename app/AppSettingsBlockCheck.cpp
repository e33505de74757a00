// Compiles the application settings block's declaration, so its layout assertions are
// checked in every build of the application core.
#include "sdk/AppSettingsBlock.h"

static_assert(sizeof(AppSettingsBlock) % 4 == 0);
