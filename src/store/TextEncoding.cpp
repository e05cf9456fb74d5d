#include "store/TextEncoding.h"

#include "store/Codepage.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <unicode/ucsdet.h>

#include <bitset>
#include <memory>

namespace store {

namespace {

// GB2312's first level: the 3,755 commonest characters, rows 0xB0 to 0xD7 (the last row ends at 0xF9).
bool isCommonGb(uchar lead, uchar trail)
{
    return lead >= 0xB0 && lead <= 0xD7 && trail >= 0xA1 && trail <= 0xFE && !(lead == 0xD7 && trail > 0xF9);
}

const std::bitset<0x10000>& commonCharacters()
{
    static const std::bitset<0x10000> set = [] {
        std::bitset<0x10000> s;
        QStringDecoder gb("GB18030", QStringConverter::Flag::Stateless);
        for (int lead = 0xB0; lead <= 0xD7; ++lead) {
            for (int trail = 0xA1; trail <= 0xFE; ++trail) {
                if (!isCommonGb(uchar(lead), uchar(trail)))
                    continue;
                const char pair[] = {char(lead), char(trail)};
                const QString c = gb.decode(QByteArrayView(pair, 2));
                if (c.size() == 1)
                    s.set(c.at(0).unicode());
            }
        }
        return s;
    }();
    return set;
}

// What the two readings make of the bytes: characters beyond ASCII, invalid sequences, and the commonest characters.
struct Reading {
    qsizetype characters = 0;
    qsizetype errors = 0;
    qsizetype common = 0;
};

Reading readUtf8(QByteArrayView b)
{
    const auto& common = commonCharacters();
    Reading r;
    const auto* p = reinterpret_cast<const uchar*>(b.data());
    const qsizetype n = b.size();
    for (qsizetype i = 0; i < n;) {
        const uchar c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int follow = 0;
        char32_t min = 0;
        if (c >= 0xC2 && c <= 0xDF) {
            follow = 1;
            min = 0x80;
        } else if (c >= 0xE0 && c <= 0xEF) {
            follow = 2;
            min = 0x800;
        } else if (c >= 0xF0 && c <= 0xF4) {
            follow = 3;
            min = 0x10000;
        } else {
            ++r.errors;
            ++i;
            continue;
        }
        char32_t cp = c & (0x3F >> follow);
        int k = 1;
        for (; k <= follow && i + k < n && (p[i + k] & 0xC0) == 0x80; ++k)
            cp = (cp << 6) | (p[i + k] & 0x3F);
        if (k <= follow || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            ++r.errors;
            ++i;
            continue;
        }
        ++r.characters;
        if (cp < 0x10000 && common.test(cp))
            ++r.common;
        i += follow + 1;
    }
    return r;
}

// As code page 936 reads it: a lone 0x80 is the euro sign.
Reading readGb18030(QByteArrayView b)
{
    Reading r;
    const auto* p = reinterpret_cast<const uchar*>(b.data());
    const qsizetype n = b.size();
    for (qsizetype i = 0; i < n;) {
        const uchar c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        if (c == 0x80) {
            ++r.characters;
            ++i;
            continue;
        }
        const uchar t = i + 1 < n ? p[i + 1] : 0;
        if (c != 0xFF && ((t >= 0x40 && t <= 0x7E) || (t >= 0x80 && t <= 0xFE))) {
            ++r.characters;
            if (isCommonGb(c, t))
                ++r.common;
            i += 2;
        } else if (c != 0xFF && t >= 0x30 && t <= 0x39 && i + 3 < n && p[i + 2] >= 0x81 && p[i + 2] <= 0xFE &&
                   p[i + 3] >= 0x30 && p[i + 3] <= 0x39) {
            ++r.characters;
            i += 4;
        } else {
            ++r.errors;
            ++i;
        }
    }
    return r;
}

bool hasHighByte(QByteArrayView line)
{
    for (const char c : line) {
        if (uchar(c) >= 0x80)
            return true;
    }
    return false;
}

// The lines that hold more than ASCII, every k-th of them so that the sample spans the whole file. A line is cut at
// 64 KB, where a character may break; the statistics do not mind one.
QByteArray sampleOf(QByteArrayView bytes)
{
    constexpr qsizetype MaxLine = 64 * 1024;
    const auto forEachLine = [&](auto&& take) {
        for (qsizetype start = 0; start < bytes.size();) {
            qsizetype end = bytes.indexOf('\n', start);
            if (end < 0)
                end = bytes.size();
            const QByteArrayView line = bytes.sliced(start, qMin(end - start, MaxLine));
            if (hasHighByte(line))
                take(line);
            start = end + 1;
        }
    };
    qsizetype total = 0;
    forEachLine([&](QByteArrayView line) { total += line.size() + 1; });
    const qsizetype stride = total / TextEncoding::SampleSize + 1;
    QByteArray sample;
    sample.reserve(qMin(total, 2 * TextEncoding::SampleSize));
    qsizetype index = 0;
    forEachLine([&](QByteArrayView line) {
        if (index++ % stride == 0 && sample.size() < 2 * TextEncoding::SampleSize) {
            sample.append(line);
            sample.append('\n');
        }
    });
    return sample;
}

// ICU's confidence, 0 to 100, that GB18030 bytes are Chinese text: it weighs how often the commonest characters
// occur, and gives about 10 when there is too little to tell.
int chineseConfidence(const QByteArray& gb)
{
    if (gb.isEmpty())
        return 0;
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<UCharsetDetector, decltype(&ucsdet_close)> detector(ucsdet_open(&status), ucsdet_close);
    if (U_FAILURE(status))
        return 0;
    ucsdet_setText(detector.get(), gb.constData(), int32_t(gb.size()), &status);
    int32_t count = 0;
    const UCharsetMatch** matches = ucsdet_detectAll(detector.get(), &count, &status);
    for (int32_t i = 0; U_SUCCESS(status) && i < count; ++i) {
        if (qstrcmp(ucsdet_getName(matches[i], &status), "GB18030") == 0)
            return ucsdet_getConfidence(matches[i], &status);
    }
    return 0;
}

// True when a has clearly fewer invalid sequences than b.
bool clearlyFewer(qsizetype a, qsizetype b)
{
    return a * 8 < b;
}

} // namespace

bool TextEncoding::isValidUtf8(QByteArrayView bytes)
{
    return readUtf8(bytes).errors == 0;
}

bool TextEncoding::fromByteOrderMark(QByteArrayView bytes, Verdict* verdict)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        *verdict = {Kind::Utf8, 3};
    else if (bytes.startsWith("\xFF\xFE"))
        *verdict = {Kind::Utf16Le, 2};
    else if (bytes.startsWith("\xFE\xFF"))
        *verdict = {Kind::Utf16Be, 2};
    else
        return false;
    return true;
}

TextEncoding::Verdict TextEncoding::detect(QByteArrayView bytes, Origin origin)
{
    if (Verdict marked; fromByteOrderMark(bytes, &marked))
        return marked;
    const Verdict utf8{Kind::Utf8, 0};
    const Verdict gb{Kind::Gb18030, 0};
    const Reading u = readUtf8(bytes);
    const Reading g = readGb18030(bytes);
    if (u.characters + u.errors == 0)
        return utf8; // ASCII reads the same either way
    if (clearlyFewer(u.errors, g.errors))
        return utf8;
    if (clearlyFewer(g.errors, u.errors))
        return gb;

    // Which reading looks like Chinese text, with ICU's statistics of GB18030 applied to both. Like ICU, a reading
    // with more than one invalid sequence in twenty characters counts as none.
    const QByteArray sample = sampleOf(bytes);
    const int asGb = chineseConfidence(sample);
    const int asUtf8 = u.characters < 20 * u.errors
                           ? 0
                           : chineseConfidence(QStringEncoder("GB18030").encode(QString::fromUtf8(sample)));
    if (asGb != asUtf8)
        return asGb > asUtf8 ? gb : utf8;
    if (u.errors != g.errors)
        return u.errors < g.errors ? utf8 : gb;
    // Too short for statistics. The program's own files hold Chinese notes: the reading with more of the commonest
    // characters wins. Files from elsewhere may hold "José" or "Иван", which GB18030 would read as Chinese.
    if (origin == Origin::Own)
        return u.common > g.common ? utf8 : gb;
    return utf8;
}

QString TextEncoding::decode(QByteArrayView bytes, const Verdict& verdict)
{
    const QByteArrayView body = bytes.sliced(qMin<qsizetype>(verdict.bom, bytes.size()));
    switch (verdict.kind) {
    case Kind::Utf8:
        return QString::fromUtf8(body);
    case Kind::Gb18030:
        return Codepage::decode(body);
    case Kind::Utf16Le:
        return QStringDecoder(QStringConverter::Utf16LE).decode(body);
    case Kind::Utf16Be:
        return QStringDecoder(QStringConverter::Utf16BE).decode(body);
    }
    return QString();
}

} // namespace store
