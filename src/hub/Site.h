#pragma once

#include <QString>

namespace hub {

// The maker's web site, for the home page, the feedback page and the about window.
inline QString siteHost()
{
    return QStringLiteral("www.tarsiwen.example");
}

// The home page, opened by the main window's command and by the about window's web-site line.
inline QString homePage()
{
    return QStringLiteral("http://") + siteHost() + QLatin1Char('/');
}

} // namespace hub
