#pragma once

#include <QString>
#include <functional>

class QWidget;

// Runs `open`, a command that shows one of the program's modal windows and returns when it closes. Once the
// window named `objectName` is active, `drive` runs on it; the window is closed afterwards even when a check
// inside `drive` failed. Returns the window that was driven, or nullptr when no such window came up and became active.
QWidget* driveModal(const QString& objectName, const std::function<void()>& open,
                    const std::function<void(QWidget*)>& drive);
