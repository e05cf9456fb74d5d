#pragma once

#include <QString>

namespace hub {

// The maker's web site, for the home page, the feedback page and the about window.
inline QString siteHost()
{
    return QStringLiteral("www.tarsiwen.example");
}

} // namespace hub
