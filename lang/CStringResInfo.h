#pragma once
// CStringResInfo: an entry of a string or message section (common or per key). The id
// is the entry's index in its table; the record fills no control.
#include "lang/CLangInfoBase.h"

class CStringResInfo : public CLangInfoBase {
 public:
  using CLangInfoBase::CLangInfoBase;
  ~CStringResInfo() override;
};
