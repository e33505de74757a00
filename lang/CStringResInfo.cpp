#include "lang/CStringResInfo.h"

CStringResInfo::~CStringResInfo() = default;
