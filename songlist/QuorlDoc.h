#pragma once
// The program's document: the songs live on the player, so it holds nothing.

#include "framework/Document.h"

class CQuorlDoc : public CDocument {
    DECLARE_MESSAGE_MAP()
};
