#pragma once

#include <locale.h>

namespace backup {

// Makes the calling thread's character type UTF-8 while it lives. libarchive converts entry names through the
// thread's locale; under the C locale (a cron job, a bare service) every Chinese name would fail to convert.
class Utf8Locale {
public:
    Utf8Locale();
    ~Utf8Locale();
    Utf8Locale(const Utf8Locale&) = delete;
    Utf8Locale& operator=(const Utf8Locale&) = delete;

private:
    locale_t m_locale = locale_t(nullptr);
    locale_t m_previous = locale_t(nullptr);
};

} // namespace backup
