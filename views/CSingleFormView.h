#pragma once
// CSingleFormView: the single-page setting page; the printer settings view derives
// from it. It adds nothing to CCommonFormView.
#include "views/CCommonFormView.h"

class CSingleFormView : public CCommonFormView {
  Q_OBJECT
 public:
  explicit CSingleFormView(QWidget* parent = nullptr);
  ~CSingleFormView() override;
};
