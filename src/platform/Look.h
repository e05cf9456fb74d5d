#pragma once

namespace platform {

// The look every program of the directory shares: Chinese standard buttons (确定, 取消 …) and the 宋体-like
// font families, asked for by the names that exist on Windows and on Linux, and the program's icon.
class Look {
public:
    // Call once, after the QApplication exists.
    static void apply();
};

} // namespace platform
