// Photo files: decoding (libjpeg and Qt's readers) of good and broken files, photo names, staging and commit.
#include "edit/JpegReader.h"
#include "edit/Photos.h"
#include "edit/Picture.h"
#include "platform/ProgramDir.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include <sys/stat.h>

extern "C" {
#include <jpeglib.h>
}

namespace {

QByteArray encoded(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, 95);
    return bytes;
}

// Left half red, right half blue: a decoder that swaps channels or mirrors rows shows it.
QImage twoColours(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(220, 20, 20));
    for (int y = 0; y < height; ++y)
        for (int x = width / 2; x < width; ++x)
            image.setPixelColor(x, y, QColor(20, 20, 220));
    return image;
}

// A JPEG written by libjpeg: left half `left`, right half `right`, each 3 bytes RGB or 4 bytes CMYK (inverted, as
// Adobe stores and marks it); progressive, or stored as YCCK, on request.
QByteArray libjpegFile(int width, int height, const QByteArray& left, const QByteArray& right, bool progressive,
                       bool ycck = false)
{
    jpeg_compress_struct info;
    jpeg_error_mgr err;
    info.err = jpeg_std_error(&err);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(width);
    info.image_height = JDIMENSION(height);
    info.input_components = int(left.size());
    info.in_color_space = left.size() == 4 ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&info);
    if (ycck)
        jpeg_set_colorspace(&info, JCS_YCCK);
    if (progressive)
        jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    QByteArray row = left.repeated(width / 2) + right.repeated(width - width / 2);
    while (info.next_scanline < info.image_height) {
        auto line = reinterpret_cast<JSAMPROW>(row.data());
        jpeg_write_scanlines(&info, &line, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    const QByteArray bytes(reinterpret_cast<const char*>(buffer), qsizetype(size));
    std::free(buffer);
    return bytes;
}

// The same file whose frame header (progressive or baseline) claims side × side pixels.
QByteArray claiming(QByteArray jpeg, int side)
{
    const qsizetype sof = std::max(jpeg.indexOf("\xff\xc2"), jpeg.indexOf("\xff\xc0"));
    for (int at : {5, 7}) {
        jpeg[sof + at] = char(side >> 8);
        jpeg[sof + at + 1] = char(side & 0xff);
    }
    return jpeg;
}

bool near(const QColor& a, const QColor& b)
{
    return qAbs(a.red() - b.red()) < 24 && qAbs(a.green() - b.green()) < 24 && qAbs(a.blue() - b.blue()) < 24;
}

} // namespace

class TestPhotos : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString file(const QString& relative) const { return m_dir.filePath(relative); }
    void put(const QString& relative, const QByteArray& bytes) const
    {
        QFile f(file(relative));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(f.write(bytes), bytes.size());
    }
    QByteArray contents(const QString& relative) const
    {
        QFile f(file(relative));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(QDir(m_dir.path()).removeRecursively());
        QVERIFY(QDir().mkpath(file("photo")));
        platform::ProgramDir::set(m_dir.path());
        QVERIFY(twoColours(20, 10).save(file("photo/no.bmp")));
    }

    void jpegDecodesSizeAndColours()
    {
        const QImage decoded = JpegReader::decode(encoded(twoColours(64, 48), "JPG"));
        QCOMPARE(decoded.size(), QSize(64, 48));
        QVERIFY(near(decoded.pixelColor(4, 24), QColor(220, 20, 20)));
        QVERIFY(near(decoded.pixelColor(60, 24), QColor(20, 20, 220)));

        // A grey photo has one component; it still comes out as a picture.
        QImage grey(30, 20, QImage::Format_Grayscale8);
        grey.fill(128);
        const QImage g = JpegReader::decode(encoded(grey, "JPG"));
        QCOMPARE(g.size(), QSize(30, 20));
        QVERIFY(near(g.pixelColor(15, 10), QColor(128, 128, 128)));
    }

    void brokenJpegNeverEndsTheProgram()
    {
        const QByteArray good = encoded(twoColours(64, 48), "JPG");
        QString error;
        // Cut in the data: libjpeg warns and fills in; a whole picture or an error, both fine.
        const QImage half = JpegReader::decode(good.left(good.size() / 2), &error);
        QVERIFY(half.isNull() ? !error.isEmpty() : half.size() == QSize(64, 48));
        // Cut in the header: an error.
        error.clear();
        QVERIFY(JpegReader::decode(good.left(12), &error).isNull());
        QVERIFY(!error.isEmpty());
        // A JPEG signature followed by garbage, and garbage with a .jpg name.
        QByteArray garbage(4000, '\x5a');
        put("sig.jpg", QByteArray("\xff\xd8\xff\xe0", 4) + garbage);
        put("junk.jpg", garbage);
        for (const char* name : {"sig.jpg", "junk.jpg"}) {
            error.clear();
            QVERIFY(Picture::load(file(name), &error).isNull());
            QVERIFY2(!error.isEmpty(), name);
        }
        // A forged header claiming 20000 x 20000 pixels (1.2 GB) is refused before anything that large is allocated.
        QByteArray forged = good;
        const qsizetype sof = forged.indexOf(QByteArray("\xff\xc0", 2));
        QVERIFY(sof > 0);
        forged[sof + 5] = forged[sof + 7] = char(0x4e);
        forged[sof + 6] = forged[sof + 8] = char(0x20);
        error.clear();
        QVERIFY(JpegReader::decode(forged, &error).isNull());
        QVERIFY(!error.isEmpty());
        QVERIFY(JpegReader::decode(QByteArray(), &error).isNull());
    }

    void cmykJpegIsShownInItsColours()
    {
        // Red (magenta and yellow ink) left, blue (cyan and magenta ink) right, inverted as Adobe stores them.
        for (const bool ycck : {false, true}) {
            put("photo/cmyk.jpg", libjpegFile(160, 80, QByteArray("\xff\x00\x00\xff", 4),
                                              QByteArray("\x00\x00\xff\xff", 4), false, ycck));
            for (const QSize& shown : {QSize(), QSize(20, 10)}) {
                QString error;
                const QImage image = Picture::load(file("photo/cmyk.jpg"), shown, &error);
                QVERIFY2(!image.isNull(), qPrintable(error));
                QVERIFY(near(image.pixelColor(2, image.height() / 2), QColor(255, 0, 0)));
                QVERIFY(near(image.pixelColor(image.width() - 3, image.height() / 2), QColor(0, 0, 255)));
            }
        }
    }

    void pictureClaimingTooManyPixelsIsRefusedBeforeDecoding()
    {
        const QByteArray grey(3, '\x80');
        QByteArray bmp = encoded(twoColours(32, 32), "BMP");
        const qint32 side = 8000; // 64 million pixels: within Qt's own allocation limit, over the program's
        std::memcpy(bmp.data() + 18, &side, 4);
        std::memcpy(bmp.data() + 22, &side, 4);
        // A 633-byte progressive file of 65500 x 65500 took 6 GB. The progressive CMYK one has few enough pixels,
        // but its coefficients alone would take 288 MB.
        const QList<QPair<QByteArray, int>> pictures = {
            {claiming(libjpegFile(64, 48, grey, grey, true), 65500), 65500},
            {claiming(libjpegFile(64, 48, grey, grey, false), 65500), 65500},
            {claiming(libjpegFile(64, 48, grey + 'x', grey + 'x', true), 6000), 6000},
            {bmp, side}};
        for (const auto& [bytes, claimed] : pictures) {
            put("photo/big.jpg", bytes);
            for (const QSize& shown : {QSize(92, 113), QSize()}) {
                QString error;
                QVERIFY(Picture::load(file("photo/big.jpg"), shown, &error).isNull());
                QVERIFY2(error.endsWith(Picture::tooLargeMessage(QSize(claimed, claimed))), qPrintable(error));
            }
        }
    }

    void jpegIsDecodedAtTheSizeItIsShown_data()
    {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<QSize>("shown");
        QTest::addColumn<QSize>("decoded"); // at least the frame (or the whole picture), at most twice the frame
        QTest::newRow("four times the frame: a quarter") << QSize(368, 452) << QSize(92, 113) << QSize(92, 113);
        QTest::newRow("wide: full scale, thinned out") << QSize(2400, 200) << QSize(80, 102) << QSize(160, 200);
        QTest::newRow("smaller than the frame") << QSize(40, 50) << QSize(92, 113) << QSize(40, 50);
    }

    void jpegIsDecodedAtTheSizeItIsShown()
    {
        QFETCH(QSize, picture);
        QFETCH(QSize, shown);
        QFETCH(QSize, decoded);
        put("big.jpg", encoded(twoColours(picture.width(), picture.height()), "JPG"));
        const QImage image = Picture::load(file("big.jpg"), shown);
        QCOMPARE(image.size(), decoded);
        QVERIFY(near(image.pixelColor(1, image.height() / 2), QColor(220, 20, 20)));
        QVERIFY(near(image.pixelColor(image.width() - 2, image.height() / 2), QColor(20, 20, 220)));

        // A small file claiming 9000 x 9000 pixels costs no more than its frame.
        QByteArray forged = encoded(twoColours(64, 48), "JPG");
        const qsizetype sof = forged.indexOf(QByteArray("\xff\xc0", 2));
        forged[sof + 5] = forged[sof + 7] = char(0x23);
        forged[sof + 6] = forged[sof + 8] = char(0x28);
        put("forged.jpg", forged);
        const QImage claimed = Picture::load(file("forged.jpg"), shown);
        QVERIFY(claimed.isNull() || (claimed.width() <= 2 * shown.width() && claimed.height() <= 2 * shown.height()));
    }

    void onlyRegularFilesOfAPhotosSizeAreRead_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("named pipe") << "fifo";
        QTest::newRow("far too large") << "large";
        QTest::newRow("folder") << "folder";
    }

    void onlyRegularFilesOfAPhotosSizeAreRead()
    {
        QFETCH(QString, kind);
        const QString path = file("photo/x.jpg");
        if (kind == "fifo") {
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else if (kind == "large") {
            put("photo/x.jpg", QByteArray("\xff\xd8\xff\xe0", 4));
            QFile grow(path);
            QVERIFY(grow.resize(qint64(1) << 33));
        } else {
            QVERIFY(QDir().mkdir(path));
        }
        QString error;
        // A pipe would block the program, a file larger than memory end it.
        QVERIFY(Picture::load(path, QSize(92, 113), &error).isNull());
        QVERIFY2(error.contains(kind == "large" ? QStringLiteral("MB") : QStringLiteral("不是普通文件")),
                 qPrintable(error));
        if (kind != "large")
            QVERIFY(!Photos::stage(path, ".jpg"));
    }

    void otherFormatsLoad()
    {
        for (const char* format : {"png", "bmp", "ico"}) {
            const QString name = QStringLiteral("p.") + QLatin1String(format);
            QVERIFY(twoColours(32, 32).save(file(name), format));
            const QImage image = Picture::load(file(name));
            QCOMPARE(image.size(), QSize(32, 32));
            QVERIFY2(near(image.pixelColor(28, 16), QColor(20, 20, 220)), format);
        }
        QString error;
        QVERIFY(Picture::load(file("none.png"), &error).isNull());
        QVERIFY(!error.isEmpty());
    }

    void extensionsAndNames()
    {
        QCOMPARE(Photos::extensionOf("my.photo.jpg"), QStringLiteral(".photo.jpg"));
        QCOMPARE(Photos::extensionOf("a.jpeg"), QStringLiteral(".jpeg"));
        QCOMPARE(Photos::extensionOf("noext"), QString());
        QCOMPARE(Photos::extensionOf("/home/u/my.pictures/张三.JPG"), QStringLiteral(".JPG"));
        QVERIFY(Photos::isAcceptedExtension(".bmp"));
        QVERIFY(!Photos::isAcceptedExtension(".jpeg"));
        QVERIFY(!Photos::isAcceptedExtension(""));
        QCOMPARE(Photos::extensionMessage("my.photo.jpg"),
                 QStringLiteral("源照片文件名（my.photo.jpg）中含有特殊字符“.”\n请更改源文件名，并重新添加！"));

        QVERIFY(Photos::isReservedPhotoName("no", ".bmp"));
        QVERIFY(Photos::isReservedPhotoName("NO", ".BMP"));
        QVERIFY(Photos::isReservedPhotoName("yes", ".jpg"));
        QVERIFY(Photos::isReservedPhotoName("a/b", ".jpg"));
        QVERIFY(Photos::isReservedPhotoName("..", ".jpg"));
        QVERIFY(Photos::isReservedPhotoName("tab\t", ".jpg"));
        QVERIFY(!Photos::isReservedPhotoName("no", ".jpg"));
        QVERIFY(!Photos::isReservedPhotoName("张三", ".jpg"));
    }

    void stageAndCommitOverwrite()
    {
        put("first.jpg", "first");
        put("second.jpg", "second");
        put("photo/张三.jpg", "old photo");
        QVERIFY(Photos::stage(file("first.jpg"), ".jpg"));
        QCOMPARE(contents("photo/yes.jpg"), QByteArray("first"));
        QVERIFY(Photos::stage(file("second.jpg"), ".jpg"));
        QCOMPARE(contents("photo/yes.jpg"), QByteArray("second"));
        QVERIFY(Photos::commit("张三", ".jpg"));
        QCOMPARE(contents("photo/张三.jpg"), QByteArray("second"));

        // The placeholder and the staging file are never a contact's photo.
        put("photo/yes.bmp", "staged");
        const QByteArray placeholder = contents("photo/no.bmp");
        QVERIFY(!Photos::commit("no", ".bmp"));
        QCOMPARE(contents("photo/no.bmp"), placeholder);
        QVERIFY(!Photos::commit("../x", ".bmp"));
        QVERIFY(!QFile::exists(file("x.bmp")));

        // Without photo/ the copy fails and says so.
        QVERIFY(QDir(file("photo")).removeRecursively());
        QVERIFY(!Photos::stage(file("first.jpg"), ".jpg"));
        QVERIFY(!Photos::commit("张三", ".jpg"));
    }

    void photoFolderLinkedElsewhereIsNeitherShownNorWritten()
    {
        QTemporaryDir outside;
        QVERIFY(twoColours(40, 50).save(outside.filePath("张三.png")));
        put("first.jpg", "first");
        QVERIFY(QDir(file("photo")).removeRecursively());
        QVERIFY(QFile::link(outside.path(), file("photo")));
        QCOMPARE(Photos::forValue("张三.png"), Photos::drawnPlaceholder());
        QVERIFY(!Photos::stage(file("first.jpg"), ".jpg"));
        QCOMPARE(QDir(outside.path()).entryList(QDir::Files), QStringList{"张三.png"});
        QVERIFY(Photos::copyFailedMessage("yes.jpg").contains(QStringLiteral("链接到程序目录之外")));
    }

    void pictureForValue()
    {
        const QImage placeholder = Picture::load(file("photo/no.bmp"));
        QVERIFY(!placeholder.isNull());
        QCOMPARE(Photos::forValue("no.bmp"), placeholder);
        QCOMPARE(Photos::forValue(" "), placeholder);
        QCOMPARE(Photos::forValue(""), placeholder);
        QString error;
        QCOMPARE(Photos::forValue("李四.jpg", &error), placeholder);
        QVERIFY(!error.isEmpty());
        QCOMPARE(Photos::forValue("../photo/no.bmp"), placeholder);

        QVERIFY(twoColours(40, 50).save(file("photo/张三.png")));
        QCOMPARE(Photos::forValue("张三.png").size(), QSize(40, 50));

        // Without the placeholder file the program draws one.
        QVERIFY(QFile::remove(file("photo/no.bmp")));
        QCOMPARE(Photos::forValue("no.bmp"), Photos::drawnPlaceholder());
        QCOMPARE(Photos::forValue("李四.jpg"), Photos::drawnPlaceholder());
    }
};

QTEST_MAIN(TestPhotos)
#include "tst_photos.moc"
