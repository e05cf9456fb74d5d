#pragma once

namespace platform {

// The system's default beep. Often silent on Linux desktops, so tests count beeps instead of hearing them.
class Beep {
public:
    static void beep();
    static int count();
    static void resetCount();
};

} // namespace platform
