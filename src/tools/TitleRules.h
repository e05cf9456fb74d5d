#pragma once

#include <QString>

// The title text window: what "设定" stores and when its buttons can be pressed.
class TitleRules {
public:
    // The main window's caption when nothing else is set; also the application's name, which never changes.
    static QString defaultTitle() { return QStringLiteral("Velloranv4.0"); }
    // The typed text without the blanks around it; empty means "设定" does nothing.
    static QString toStore(const QString& typed) { return typed.trimmed(); }

    struct Buttons {
        bool set = false;     // Button1 "设定(&O)"
        bool restore = false; // Button2 "复原(&R)"
    };
    // Right after showing the stored title: nothing to set yet, and nothing to restore when it is the default.
    static Buttons afterShow(const QString& stored) { return {false, stored != defaultTitle()}; }
    // Any edit enables both.
    static Buttons afterEdit() { return {true, true}; }
};
