#pragma once

#include <QStringList>

// The names the main window's record list shows, top to bottom.
QStringList listNames();
