#pragma once

#include <QString>

namespace store {
class Connection;
}

namespace hub {

// What the start-up window does to the main window: apply set.ini, fill the list over the start-up connection and
// record who signed in.
class StartupHost {
public:
    virtual ~StartupHost() = default;

    // Start-up application of the display settings in set.ini.
    virtual void ApplySettings() = 0;
    // The first fill: list, first summary, birthday text, notes pad.
    virtual bool FirstFill(store::Connection& connection, QString* error) = 0;
    // Records the signed-in user: the hidden Edit1/Edit2 and the status bar's first panel.
    virtual void SetSignedInUser(const QString& name, const QString& rights) = 0;
};

} // namespace hub
