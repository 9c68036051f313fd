#include "framework/AnimateCtrl.h"

BEGIN_MESSAGE_MAP(CAnimateCtrl, CWnd)
END_MESSAGE_MAP()
