#pragma once
// A modal question with Yes and No buttons, no icon and no owner window.

#include <string>

class YesNoQuestion {
public:
    virtual ~YesNoQuestion() = default;
    // True only when the answer is Yes.
    virtual bool AskYesNo(const std::string& text, const std::string& caption) = 0;
};
