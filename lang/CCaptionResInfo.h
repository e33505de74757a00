#pragma once
// CCaptionResInfo: the caption of one control, addressed by the control id. Captions
// are set on controls of any kind, so the record names no target class.
#include "lang/CLangInfoBase.h"

class CCaptionResInfo : public CLangInfoBase {
 public:
  using CLangInfoBase::CLangInfoBase;
  ~CCaptionResInfo() override;
};
