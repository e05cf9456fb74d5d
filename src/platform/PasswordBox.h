#pragma once

class QLineEdit;

namespace platform {

// Password boxes show "*" for every character typed, whatever mask the desktop style would draw ("●" in most).
class PasswordBox {
public:
    PasswordBox() = delete;
    static void useStars(QLineEdit* edit);
};

} // namespace platform
