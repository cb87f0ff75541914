#pragma once

#include <functional>
#include <string>

namespace platform {

// Blocking message boxes (the stand-in for MessageBoxA with an OK button).
// With FLAREVOX_NO_DIALOGS=1, or when no display is available, the title and
// text go to stderr and the call returns at once, so automated runs never
// wait for a person. Tests may capture boxes instead.
class Dialog {
public:
    enum class Icon { None, Exclamation };
    using Capture = std::function<void(const std::string& title, const std::string& text)>;

    static void show(const std::string& title, const std::string& text, Icon icon = Icon::None);

    static void setCapture(Capture capture);
    static void clearCapture();

    static bool dialogsDisabled();
};

} // namespace platform
