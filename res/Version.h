#pragma once
// The program's version, as the tool's --version gives it; the About box
// (res/mellifon.rc) says the same.

constexpr const char* kMellifonVersion = "1.012";
