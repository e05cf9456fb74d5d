#pragma once

#include <QString>
#include <Qt>

class QWidget;

// Types text into a widget one character at a time as key events; QTest::keyClicks cannot type Chinese.
void typeText(QWidget* widget, const QString& text);

// The text an X11 keyboard gives a key press: Tab "\t", Delete "\x7f", Backspace "\b", Return "\r", Escape
// "\x1b", Ctrl+letter its control character, a printable key its character; Shift+Tab and the arrows none.
QString x11KeyText(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
// Presses and releases a key carrying that text. QTest's own key clicks carry none for most keys that type no
// character, so a filter that mistakes Tab or Delete for a typed character passes them.
void pressRealKey(QWidget* widget, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
