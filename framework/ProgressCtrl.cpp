#include "framework/ProgressCtrl.h"

BEGIN_MESSAGE_MAP(CProgressCtrl, CWnd)
END_MESSAGE_MAP()
