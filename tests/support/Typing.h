#pragma once

#include <QString>

class QWidget;

// Types text into a widget one character at a time as key events; QTest::keyClicks cannot type Chinese.
void typeText(QWidget* widget, const QString& text);
