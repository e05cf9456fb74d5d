#pragma once

class QWidget;

namespace platform {

// Every window of the program stands centred on the screen.
class Centre {
public:
    static void onScreen(QWidget* window);
};

} // namespace platform
