#pragma once

class QObject;

namespace platform {

// A window that sees every key before its controls: the filter goes on the window and on every widget in it,
// since a dialog's own key handler only gets the keys its focused child ignores.
class KeyPreview {
public:
    static void install(QObject* window, QObject* filter);
};

} // namespace platform
