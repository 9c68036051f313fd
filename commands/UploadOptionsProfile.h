#pragma once
// The window's conversion choices, kept in the application profile beside
// "Verify after upload" (section "Settings"). The window always names a bit
// rate; MP3s above it are re-encoded only when the user asked for that.

#include "settings/AppProfile.h"
#include "commands/UploadPlan.h"

// What the profile holds; anything missing or unknown is the default:
// 128 kbps, nothing else chosen.
UploadOptions LoadUploadOptions(AppProfile& profile);
void SaveUploadOptions(AppProfile& profile, const UploadOptions& options);
