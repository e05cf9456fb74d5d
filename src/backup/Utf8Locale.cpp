#include "backup/Utf8Locale.h"

namespace backup {

Utf8Locale::Utf8Locale()
{
    m_locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(nullptr));
    if (m_locale)
        m_previous = uselocale(m_locale);
}

Utf8Locale::~Utf8Locale()
{
    if (!m_locale)
        return;
    uselocale(m_previous);
    freelocale(m_locale);
}

} // namespace backup
