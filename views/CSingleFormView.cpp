#include "views/CSingleFormView.h"

CSingleFormView::CSingleFormView(QWidget* parent) : CCommonFormView(parent) {}

CSingleFormView::~CSingleFormView() = default;
