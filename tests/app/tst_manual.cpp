// The user manual: laid out beside the program with every picture it shows, replaced like any read-only asset, and
// opened by F1.
#include "app/Program.h"
#include "mainwin/Forms.h"
#include "mainwin/ManualWindow.h"
#include "mainwin/Tmain.h"
#include "platform/Shell.h"
#include "support/PromptRecorder.h"
#include "support/TestProgramDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QProcess>
#include <QRegularExpression>
#include <QTextBrowser>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray contents(const QString& file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

QString source(const QString& relative)
{
    return QStringLiteral(VELLORAN_SOURCE_DIR "/docs/") + relative;
}

// Lays out a program directory as the build and the installation do; the exit code and what cmake said.
int layOut(const QString& dest, QByteArray* output)
{
    QProcess cmake;
    cmake.setProcessChannelMode(QProcess::MergedChannels);
    cmake.start("cmake", {"-DDEST=" + dest, QStringLiteral("-DGENERATED=" VELLORAN_BINARY_DIR "/generated"),
                          QStringLiteral("-DDATA=" VELLORAN_SOURCE_DIR "/data"), "-P",
                          QStringLiteral(VELLORAN_SOURCE_DIR "/cmake/LayOut.cmake")});
    if (!cmake.waitForFinished(60000))
        return -1;
    *output = cmake.readAll();
    return cmake.exitStatus() == QProcess::NormalExit ? cmake.exitCode() : -1;
}

} // namespace

class TestManual : public QObject {
    Q_OBJECT

private slots:
    void cleanup()
    {
        Program::shutdown();
        platform::Shell::setRecorder({});
        QDir::setCurrent(QDir::tempPath());
    }

    void everyPictureAndAnchorOfTheLaidOutManualExists()
    {
        const QDir dir(QStringLiteral(VELLORAN_PROGRAM_DIR));
        const QByteArray page = contents(dir.filePath("help.html"));
        QCOMPARE(page, contents(source("help.html")));
        // A section left in a comment (waiting to be written) is not part of the page.
        const QString html =
            QString::fromUtf8(page).remove(QRegularExpression(QStringLiteral("<!--.*?-->"),
                                                              QRegularExpression::DotMatchesEverythingOption));
        for (const char* outside : {"<script", "<link", "<iframe", "<object", "url("})
            QVERIFY2(!html.contains(QLatin1String(outside), Qt::CaseInsensitive), outside);

        QStringList ids;
        const QRegularExpression attribute(QStringLiteral("\\b(src|href|id)=\"([^\"]*)\""));
        for (auto it = attribute.globalMatch(html); it.hasNext();) {
            const auto m = it.next();
            if (m.captured(1) == QLatin1String("id"))
                ids << m.captured(2);
        }
        int pictures = 0;
        for (auto it = attribute.globalMatch(html); it.hasNext();) {
            const auto m = it.next();
            const QString target = m.captured(2);
            if (m.captured(1) == QLatin1String("id") || target == QLatin1String("#"))
                continue;
            if (target.startsWith(QLatin1Char('#'))) {
                QVERIFY2(ids.contains(target.mid(1)), qPrintable("no section " + target));
                continue;
            }
            // Everything else is a picture beside the page: nothing is fetched from anywhere.
            QVERIFY2(m.captured(1) == QLatin1String("src") && !target.contains(QLatin1Char(':')),
                     qPrintable(target));
            QImageReader picture(dir.filePath(target));
            QVERIFY2(picture.canRead(), qPrintable(target + ": " + picture.errorString()));
            QCOMPARE(contents(dir.filePath(target)), contents(source(target)));
            ++pictures;
        }
        QVERIFY(pictures > 20);
    }

    void layoutReplacesTheManualButNeverWritesThroughALink()
    {
        QTemporaryDir tmp;
        QVERIFY(tmp.isValid());
        const QDir d(tmp.path());
        QByteArray output;
        QVERIFY2(layOut(d.path(), &output) == 0, output.constData());
        QFile::remove(d.filePath("help/login.png"));
        QFile page(d.filePath("help.html"));
        QVERIFY(page.open(QIODevice::WriteOnly | QIODevice::Truncate));
        page.write("an older manual");
        page.close();
        QVERIFY2(layOut(d.path(), &output) == 0, output.constData());
        QCOMPARE(contents(d.filePath("help.html")), contents(source("help.html")));
        QCOMPARE(contents(d.filePath("help/login.png")), contents(source("help/login.png")));

        // help/ as a link to some other folder: the layout stops and that folder stays as it was.
        QTemporaryDir elsewhere;
        QVERIFY(elsewhere.isValid());
        QVERIFY(QDir(d.filePath("help")).removeRecursively());
        QVERIFY(QFile::link(elsewhere.path(), d.filePath("help")));
        QVERIFY(layOut(d.path(), &output) != 0);
        QCOMPARE(QDir(elsewhere.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList());
    }

    void f1OpensTheManualBesideTheProgram()
    {
        TestProgramDir dir;
        QVERIFY(dir.isValid());
        PromptRecorder prompts;
        QStringList requests;
        platform::Shell::setRecorder([&requests](const QString& request) {
            requests << request;
            return true;
        });
        QVERIFY(Program::start(dir.path()));
        Tmain* w = forms::main;
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));

        QTest::keyClick(w, Qt::Key_F1);
        QCOMPARE(requests.size(), 1);
        QVERIFY(requests.first().startsWith(QLatin1String("open:")));
        const QFileInfo opened(requests.first().mid(5));
        QVERIFY(opened.isAbsolute());
        QCOMPARE(opened.canonicalFilePath(), QFileInfo(dir.file("help.html")).canonicalFilePath());

        // Without a web browser the manual shows, with its pictures, in one window of the program's own.
        platform::Shell::setRecorder([](const QString&) { return false; });
        QTest::keyClick(w, Qt::Key_F1);
        w->N25Click();
        QCOMPARE(w->findChildren<ManualWindow*>().size(), 1);
        QTextBrowser* page = w->findChild<ManualWindow*>()->browser();
        QVERIFY(page->isVisible());
        QVERIFY(page->toPlainText().contains(QStringLiteral("使用手册")));
        QVERIFY(!page->loadResource(QTextDocument::ImageResource, QUrl(QStringLiteral("help/login.png"))).isNull());
        platform::Shell::setRecorder([&requests](const QString& request) {
            requests << request;
            return true;
        });

        // Without the file nothing is opened, and nothing is said.
        QVERIFY(QFile::remove(dir.file("help.html")));
        QTest::keyClick(w, Qt::Key_F1);
        QCOMPARE(requests.size(), 1);
        QCOMPARE(prompts.count(), 0);
    }
};

QTEST_MAIN(TestManual)
#include "tst_manual.moc"
