#pragma once

class QObject;
class QTimer;

namespace platform {

// A one-shot step: a named timer that its handler stops first, started by enabling it.
QTimer* newStep(QObject* owner, const char* name, int interval);
// Starts a step unless it is already running, so requests before it runs give one run.
void startStep(QTimer* timer);

} // namespace platform
