#include "store/ContactRows.h"

#include <cstring>

namespace store {

namespace {

constexpr size_t kChunkSize = size_t(1) << 20;

// Lengths are stored in seven-bit groups, low group first; the high bit says another group follows.
char* putLength(char* out, size_t length)
{
    while (length >= 0x80) {
        *out++ = char(0x80 | (length & 0x7F));
        length >>= 7;
    }
    *out++ = char(length);
    return out;
}

const char* getLength(const char* in, size_t* length)
{
    size_t value = 0;
    int shift = 0;
    for (;;) {
        const auto byte = uchar(*in++);
        value |= size_t(byte & 0x7F) << shift;
        if (!(byte & 0x80))
            break;
        shift += 7;
    }
    *length = value;
    return in;
}

size_t lengthBytes(size_t length)
{
    size_t n = 1;
    while (length >= 0x80) {
        length >>= 7;
        ++n;
    }
    return n;
}

// A whole number as QString::toInt reads the text (0 when it is none); digits alone are read here directly.
int wholeNumber(QByteArrayView text)
{
    if (!text.isEmpty() && text.size() <= 9) {
        int value = 0;
        bool digits = true;
        for (const char c : text) {
            if (c < '0' || c > '9') {
                digits = false;
                break;
            }
            value = value * 10 + (c - '0');
        }
        if (digits)
            return value;
    }
    return Utf16Text(text).view().toInt();
}

quint16 packMeta(ContactRows::Sex sex, int month, int day)
{
    // A month or day outside the year never falls on a day of the birthday window, just as 0 never does.
    const quint16 m = month >= 1 && month <= 12 ? quint16(month) : 0;
    const quint16 d = day >= 1 && day <= 31 ? quint16(day) : 0;
    return quint16(quint16(sex) | (m << 2) | (d << 6));
}

} // namespace

QByteArrayView ContactRows::text(int row, int column) const
{
    const char* p = m_starts[size_t(row)];
    size_t length = 0;
    for (int k = 0;; ++k) {
        p = getLength(p, &length);
        if (k == column)
            return QByteArrayView(p, qsizetype(length));
        p += length;
    }
}

QString ContactRows::string(int row, int column) const
{
    // Not QString::fromUtf8, which drops a leading byte-order mark that the text keeps.
    return Utf16Text(text(row, column)).view().toString();
}

char* ContactRows::reserveText(size_t bytes)
{
    if (m_chunks.empty() || m_chunkUsed + bytes > m_chunkSize) {
        m_chunkSize = std::max(kChunkSize, bytes);
        m_chunks.push_back(std::unique_ptr<char[]>(new char[m_chunkSize]));
        m_chunkUsed = 0;
    }
    char* at = m_chunks.back().get() + m_chunkUsed;
    m_chunkUsed += bytes;
    m_textBytes += bytes;
    return at;
}

void ContactRows::appendRow(qint64 id, const QByteArrayView* texts, Sex sex, int month, int day)
{
    size_t bytes = 0;
    for (int k = 0; k < Texts; ++k)
        bytes += lengthBytes(size_t(texts[k].size())) + size_t(texts[k].size());
    char* out = reserveText(bytes);
    m_starts.push_back(out);
    for (int k = 0; k < Texts; ++k) {
        out = putLength(out, size_t(texts[k].size()));
        if (!texts[k].isEmpty())
            std::memcpy(out, texts[k].data(), size_t(texts[k].size()));
        out += texts[k].size();
    }
    m_ids.push_back(id);
    m_meta.push_back(packMeta(sex, month, day));
}

void ContactRows::appendRead(const QByteArrayView* values)
{
    static constexpr QByteArrayView male("\xE7\x94\xB7");   // 男
    static constexpr QByteArrayView female("\xE5\xA5\xB3"); // 女
    const QByteArrayView sex = values[1 + Texts];
    const Sex s = sex == male ? Sex::Male : sex == female ? Sex::Female : Sex::Other;
    appendRow(values[0].toLongLong(), values + 1, s, wholeNumber(values[2 + Texts]), wholeNumber(values[3 + Texts]));
}

void ContactRows::append(qint64 id, const std::array<QString, Texts>& texts, Sex sex, int month, int day)
{
    std::array<QByteArray, Texts> utf8;
    std::array<QByteArrayView, Texts> views;
    for (int k = 0; k < Texts; ++k) {
        utf8[size_t(k)] = texts[size_t(k)].toUtf8();
        views[size_t(k)] = utf8[size_t(k)];
    }
    appendRow(id, views.data(), sex, month, day);
}

void ContactRows::appendFrom(const ContactRows& other, int row)
{
    std::array<QByteArrayView, Texts> views;
    for (int k = 0; k < Texts; ++k)
        views[size_t(k)] = other.text(row, k);
    appendRow(other.id(row), views.data(), other.sex(row), other.month(row), other.day(row));
}

size_t ContactRows::bytes() const
{
    return m_chunks.size() * kChunkSize + m_starts.capacity() * sizeof(const char*) +
           m_ids.capacity() * sizeof(qint64) + m_meta.capacity() * sizeof(quint16);
}

Utf16Text::Utf16Text(QByteArrayView utf8)
{
    m_chars.reserve(utf8.size());
    const auto* p = reinterpret_cast<const uchar*>(utf8.data());
    const uchar* const end = p + utf8.size();
    while (p < end) {
        const uchar b = *p;
        if (b < 0x80) {
            m_chars.append(char16_t(b));
            ++p;
        } else if (b < 0xE0) {
            m_chars.append(char16_t(((b & 0x1F) << 6) | (p[1] & 0x3F)));
            p += 2;
        } else if (b < 0xF0) {
            m_chars.append(char16_t(((b & 0x0F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F)));
            p += 3;
        } else {
            const char32_t c = ((b & 0x07) << 18) | ((p[1] & 0x3F) << 12) | ((p[2] & 0x3F) << 6) | (p[3] & 0x3F);
            m_chars.append(QChar::highSurrogate(c));
            m_chars.append(QChar::lowSurrogate(c));
            p += 4;
        }
    }
}

} // namespace store
