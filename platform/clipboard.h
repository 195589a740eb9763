// The clipboard: one text shared by every window of the program (the command box, the results
// window, editors and grids). It lives in the process; nothing outside the program sees it.
#pragma once

#include <string>

namespace platform {

class Clipboard {
public:
    void setText(std::string text) { text_ = std::move(text); has_ = true; }
    const std::string& text() const { return text_; }
    bool hasText() const { return has_; }
    void clear() { text_.clear(); has_ = false; }

private:
    std::string text_;
    bool has_ = false;
};

// The program's one clipboard.
Clipboard& clipboard();

}  // namespace platform
