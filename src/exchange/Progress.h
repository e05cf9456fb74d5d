#pragma once

#include <QtGlobal>

#include <functional>

namespace exchange {

// Importing counts the bytes of the file read and stored so far; Exporting counts the contacts written.
enum class Stage { Importing, Exporting };

// Called between chunks of an import or export. A window processes its events here and returns false once its cancel
// button was pressed; nothing is stored or written then.
using Progress = std::function<bool(Stage stage, qint64 done, qint64 total)>;

} // namespace exchange
