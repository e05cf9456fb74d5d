// What both programs do before anything else: no Qt plugin from their own directory, which users and restores
// write, not even while they look for their display; a display they cannot use or memory running out ends them
// with their own message, not an abort.
#include "platform/Startup.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>
#include <new>

class tst_guards : public QObject {
    Q_OBJECT
private slots:
    void noPluginFromTheProgramDirectory_data();
    void noPluginFromTheProgramDirectory();
    void outOfMemoryEndsWithoutAbort();
};

void tst_guards::noPluginFromTheProgramDirectory_data()
{
    QTest::addColumn<QString>("program");
    QTest::newRow("velloran") << "velloran";
    QTest::newRow("data") << "data";
}

void tst_guards::noPluginFromTheProgramDirectory()
{
    QFETCH(QString, program);
    QTemporaryDir dir;
    QVERIFY(QFile::copy(QStringLiteral(VELLORAN_PROGRAM_DIR "/") + program, dir.filePath(program)));
    // Where Qt would look beside the program: the platform is the first plugin it loads, pictures come later.
    for (const QString& kind : {QStringLiteral("platforms"), QStringLiteral("imageformats")}) {
        QVERIFY(QDir().mkpath(dir.filePath(kind)));
        QVERIFY(QFile::copy(QStringLiteral(MARKER_PLUGIN), dir.filePath(kind + QStringLiteral("/libmarker.so"))));
    }
    const QString mark = dir.filePath(QStringLiteral("loaded"));
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("velloran-marker"));
    env.insert(QStringLiteral("VELLORAN_PLUGIN_MARKER"), mark);
    env.insert(QStringLiteral("VELLORAN_DATA_DIR"), dir.path());
    env.insert(QStringLiteral("QT_PLUGIN_PATH"), dir.path()); // a user-writable folder named the usual way
    p.setProcessEnvironment(env);
    p.start(dir.filePath(program), QStringList());
    QVERIFY(p.waitForFinished(120000));
    const QString err = QString::fromUtf8(p.readAllStandardError());
    QVERIFY2(!QFile::exists(mark), qPrintable(err));
    // Qt found no such platform in its own folder: the program says so itself and ends.
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 2);
    QVERIFY2(!err.contains(QLatin1String("Qt platform plugin")), qPrintable(err));
}

void tst_guards::outOfMemoryEndsWithoutAbort()
{
    QProcess p;
    p.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--run-out-of-memory")});
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 1);
    QCOMPARE(p.readAllStandardError(), QByteArray("out of memory\n"));
}

int main(int argc, char** argv)
{
    // The child of outOfMemoryEndsWithoutAbort: an allocation fails and nothing catches it.
    if (argc == 2 && std::strcmp(argv[1], "--run-out-of-memory") == 0) {
        platform::Startup::endOnOutOfMemory("out of memory");
        throw std::bad_alloc();
    }
    QCoreApplication app(argc, argv);
    tst_guards test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_guards.moc"
