#include "hub/NameOrder.h"

#include "store/ContactRows.h"

#include <QLocale>

#include <unicode/ucol.h>

#include <algorithm>
#include <cstring>
#include <numeric>

NameOrder::NameOrder()
{
    // As QCollator(QLocale(QLocale::Chinese, QLocale::China)) opens and sets up its collator.
    UErrorCode status = U_ZERO_ERROR;
    const QByteArray name = QLocale(QLocale::Chinese, QLocale::China).bcp47Name().replace('-', '_').toLatin1();
    m_collator = ucol_open(name.constData(), &status);
    if (U_FAILURE(status)) {
        m_collator = nullptr;
        return;
    }
    ucol_setAttribute(m_collator, UCOL_NORMALIZATION_MODE, UCOL_ON, &status);
    status = U_ZERO_ERROR;
    ucol_setAttribute(m_collator, UCOL_STRENGTH, UCOL_DEFAULT_STRENGTH, &status);
    status = U_ZERO_ERROR;
    ucol_setAttribute(m_collator, UCOL_NUMERIC_COLLATION, UCOL_OFF, &status);
    status = U_ZERO_ERROR;
    ucol_setAttribute(m_collator, UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE, &status);
}

NameOrder::~NameOrder()
{
    if (m_collator)
        ucol_close(m_collator);
}

int NameOrder::compare(QStringView a, QStringView b) const
{
    if (a.isEmpty())
        return b.isEmpty() ? 0 : -1;
    if (b.isEmpty())
        return 1;
    if (!m_collator)
        return a.compare(b);
    return ucol_strcoll(m_collator, reinterpret_cast<const UChar*>(a.utf16()), int32_t(a.size()),
                        reinterpret_cast<const UChar*>(b.utf16()), int32_t(b.size()));
}

std::vector<quint32> NameOrder::sorted(quint32 count, const std::function<QByteArrayView(quint32)>& nameAt) const
{
    // Each name's sort key, back to back in one block, and its first eight bytes as a number that decides most
    // comparisons without touching the block.
    std::vector<uchar> keys;
    keys.reserve(size_t(count) * 12);
    std::vector<quint32> ends(count);
    std::vector<quint64> heads(count);
    std::vector<uchar> buffer(256);
    for (quint32 i = 0; i < count; ++i) {
        const store::Utf16Text name(nameAt(i));
        const QStringView chars = name.view();
        int32_t length = 0;
        if (m_collator) {
            const auto* text = reinterpret_cast<const UChar*>(chars.utf16());
            length = ucol_getSortKey(m_collator, text, int32_t(chars.size()), buffer.data(), int32_t(buffer.size()));
            if (length > int32_t(buffer.size())) {
                buffer.resize(size_t(length));
                length = ucol_getSortKey(m_collator, text, int32_t(chars.size()), buffer.data(), length);
            }
            length = std::max(0, length - 1); // the key's closing NUL
        } else {
            length = int32_t(chars.size() * 2);
            buffer.resize(std::max(buffer.size(), size_t(length)));
            for (qsizetype k = 0; k < chars.size(); ++k) {
                buffer[size_t(2 * k)] = uchar(chars[k].unicode() >> 8);
                buffer[size_t(2 * k + 1)] = uchar(chars[k].unicode());
            }
        }
        quint64 head = 0;
        for (int32_t k = 0; k < 8; ++k)
            head = (head << 8) | (k < length ? buffer[size_t(k)] : 0);
        heads[i] = head;
        keys.insert(keys.end(), buffer.begin(), buffer.begin() + length);
        ends[i] = quint32(keys.size());
    }
    std::vector<quint32> order(count);
    std::iota(order.begin(), order.end(), 0u);
    const auto start = [&ends](quint32 i) { return i == 0 ? 0u : ends[i - 1]; };
    std::sort(order.begin(), order.end(), [&](quint32 a, quint32 b) {
        if (heads[a] != heads[b])
            return heads[a] < heads[b];
        const quint32 la = ends[a] - start(a);
        const quint32 lb = ends[b] - start(b);
        if (la > 8 && lb > 8) {
            const int c = std::memcmp(keys.data() + start(a) + 8, keys.data() + start(b) + 8, std::min(la, lb) - 8);
            if (c != 0)
                return c < 0;
        }
        if (la != lb)
            return la < lb;
        return a < b;
    });
    return order;
}
