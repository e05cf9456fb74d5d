#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace platform {

// Asks for a password in a small modal box (the office server's, when no ~/.pgpass holds it). Tests answer
// through a handler instead, so nothing waits for a person unattended.
class PasswordAsk {
public:
    // Returns false when the box was cancelled; *password holds what was typed otherwise.
    using Handler = std::function<bool(const QString& text, QString* password)>;

    static bool ask(QWidget* parent, const QString& text, QString* password);
    // An empty handler restores the real box.
    static void setHandler(Handler handler);
};

} // namespace platform
