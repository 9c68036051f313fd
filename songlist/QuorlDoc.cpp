#include "songlist/QuorlDoc.h"

BEGIN_MESSAGE_MAP(CQuorlDoc, CDocument)
END_MESSAGE_MAP()
