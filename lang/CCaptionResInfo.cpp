#include "lang/CCaptionResInfo.h"

CCaptionResInfo::~CCaptionResInfo() = default;
