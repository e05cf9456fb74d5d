// velloran-encoding-bench: deciding the encoding of large import files and reading them, at growing sizes (time per
// MB stays flat when the work is linear), and the files that once took quadratic time or a gigabyte of memory.
//
//   velloran-encoding-bench [--max-mb 128]

#include "exchange/CsvReader.h"
#include "exchange/Limits.h"
#include "exchange/VCardReader.h"
#include "store/TextEncoding.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QStringDecoder>
#include <QStringEncoder>

#include <cstdio>

namespace {

void say(const QString& text)
{
    std::fputs(qUtf8Printable(text + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

// The process's peak resident memory in MB, from /proc.
double peakMb()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return -1;
}

QString randomName(QRandomGenerator& random)
{
    static QStringDecoder gb("GB18030");
    QString name;
    for (int i = 0; i < 3; ++i) {
        const char pair[] = {char(0xB0 + random.bounded(0x28)), char(0xA1 + random.bounded(0x5E))};
        name += gb.decode(QByteArrayView(pair, 2));
    }
    return name;
}

QByteArray vcards(qsizetype bytes)
{
    QRandomGenerator random(1);
    QByteArray out;
    while (out.size() < bytes) {
        out += QStringLiteral("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:%1\r\nTEL;TYPE=CELL:139%2\r\nNOTE:%3\r\nEND:VCARD\r\n")
                   .arg(randomName(random))
                   .arg(random.bounded(100000000), 8, 10, QLatin1Char('0'))
                   .arg(randomName(random).repeated(5))
                   .toUtf8();
    }
    // One stray byte of another encoding: the file stays UTF-8.
    return out.insert(out.size() / 2, '\xD5');
}

QByteArray sheet(qsizetype bytes)
{
    QRandomGenerator random(2);
    QString text = QStringLiteral("姓名,手机,备注\r\n");
    while (text.size() * 2 < bytes)
        text += QStringLiteral("%1,139%2,%3\r\n")
                    .arg(randomName(random))
                    .arg(random.bounded(100000000), 8, 10, QLatin1Char('0'))
                    .arg(randomName(random).repeated(5));
    return QStringEncoder("GB18030").encode(text);
}

template <typename F> double ms(F&& work)
{
    QElapsedTimer t;
    t.start();
    work();
    return double(t.nsecsElapsed()) / 1e6;
}

void measureReading(const char* what, const QByteArray& data, bool vcard)
{
    const double mb = double(data.size()) / (1024 * 1024);
    store::TextEncoding::Kind kind{};
    const double detect =
        ms([&] { kind = store::TextEncoding::detect(data, store::TextEncoding::Origin::Foreign).kind; });
    int cards = 0;
    exchange::ReadFault fault;
    const exchange::CardSink count = [&cards](exchange::Card&) { return ++cards > 0; };
    const double read = ms([&] {
        if (vcard)
            exchange::VCardReader::read(data, count, &fault);
        else
            exchange::CsvReader::read(data, count, &fault);
    });
    say(QStringLiteral("%1 %2 MB: detect %3 ms (%4 ms/MB, %5), read %6 cards in %7 ms (%8 ms/MB)")
            .arg(QLatin1String(what))
            .arg(mb, 0, 'f', 0)
            .arg(detect, 0, 'f', 0)
            .arg(detect / mb, 0, 'f', 1)
            .arg(kind == store::TextEncoding::Kind::Utf8 ? QStringLiteral("UTF-8") : QStringLiteral("GB18030"))
            .arg(cards)
            .arg(read, 0, 'f', 0)
            .arg(read / mb, 0, 'f', 1));
}

void measureRefusal(const char* what, const QByteArray& data, bool vcard)
{
    QList<exchange::Card> cards;
    exchange::ReadFault fault;
    const double before = peakMb();
    const double time = ms([&] {
        if (vcard)
            exchange::VCardReader::read(data, &cards, &fault);
        else
            exchange::CsvReader::read(data, &cards, &fault);
    });
    say(QStringLiteral("%1: %2 ms, peak memory +%3 MB, line %4: %5")
            .arg(QLatin1String(what))
            .arg(time, 0, 'f', 0)
            .arg(peakMb() - before, 0, 'f', 0)
            .arg(fault.line)
            .arg(fault.message.isEmpty() ? QStringLiteral("read") : fault.message));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const qsizetype at = args.indexOf(QStringLiteral("--max-mb"));
    const int maxMb = at >= 0 && at + 1 < args.size() ? args[at + 1].toInt() : 128;

    // The files that once took a gigabyte or quadratic time; measured first, while the peak memory is low.
    measureRefusal("10 MB of commas", "姓名" + QByteArray(10 * 1024 * 1024, ','), false);
    for (const int notes : {2500, 5000, exchange::Limits::Properties - 10})
        measureRefusal(qPrintable(QStringLiteral("one card of %1 NOTE lines").arg(notes)),
                       "BEGIN:VCARD\r\nFN:x\r\n" + QByteArray("NOTE:note\r\n").repeated(notes) + "END:VCARD\r\n", true);
    measureRefusal("one card of a million NOTE lines",
                   "BEGIN:VCARD\r\nFN:x\r\n" + QByteArray("NOTE:note\r\n").repeated(1000000) + "END:VCARD\r\n", true);

    for (int mb = 8; mb <= maxMb; mb *= 4) {
        measureReading("UTF-8 vCard", vcards(qsizetype(mb) << 20), true);
        measureReading("GB18030 sheet", sheet(qsizetype(mb) << 20), false);
    }
    return 0;
}
