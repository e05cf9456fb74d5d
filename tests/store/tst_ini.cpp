#include "platform/Files.h"
#include "platform/ProgramDir.h"
#include "platform/SaveFile.h"
#include "store/AtomicFile.h"
#include "store/Codepage.h"
#include "store/Ini.h"
#include "store/NotesFile.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

using store::Codepage;
using store::Ini;

class TestIni : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString path(const QString& name) const { return m_dir.filePath(name); }

    static void put(const QString& file, const QByteArray& bytes)
    {
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(bytes);
    }

    static QByteArray contents(const QString& file)
    {
        QFile in(file);
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    }

private slots:
    void namesIgnoreCase()
    {
        const QString file = path("case.ini");
        QVERIFY(Ini::write(file, "Options", "Sort", "name"));
        QCOMPARE(Ini::read(file, "OPTIONS", "sort"), QString("name"));
        QCOMPARE(Ini::read(file, " options ", " SORT "), QString("name"));

        // A write with other casing changes the existing key rather than adding a second one.
        QVERIFY(Ini::write(file, "options", "SORT", "phone"));
        QCOMPARE(contents(file), QByteArray("[Options]\r\nSort=phone\r\n"));
    }

    void keysInFileOrder()
    {
        const QString file = path("order.ini");
        put(file, "orphan=1\n[a]\nzeta=1\n; alpha=2\nnot a key\nmid=3\nZETA=4\n\n[b]\nbeta=5\n[A]\nlate=6\n");
        QCOMPARE(Ini::keys(file, "a"), QStringList({"zeta", "mid"}));
        QCOMPARE(Ini::keys(file, "B"), QStringList({"beta"}));
        // Duplicates: the first section and the first key win.
        QCOMPARE(Ini::read(file, "a", "zeta"), QString("1"));
        QCOMPARE(Ini::read(file, "a", "late"), QString());
        QCOMPARE(Ini::read(file, "a", "orphan"), QString());
        QVERIFY(Ini::keys(file, "missing").isEmpty());
    }

    void valuesTrimmedAndUnquoted()
    {
        const QString file = path("values.ini");
        put(file, "[v]\n  spaced  =  two words \t\nd=\"  kept  \"\ns='x'\nodd=\"open\nmixed=\"x'\n");
        QCOMPARE(Ini::read(file, "v", "spaced"), QString("two words"));
        QCOMPARE(Ini::read(file, "v", "d"), QString("  kept  "));
        QCOMPARE(Ini::read(file, "v", "s"), QString("x"));
        QCOMPARE(Ini::read(file, "v", "odd"), QString("\"open"));
        QCOMPARE(Ini::read(file, "v", "mixed"), QString("\"x'"));

        // Values that reading would trim or unquote still come back as written.
        for (const QString& value : {QString(" padded "), QString("\"quoted\""), QString("'q'"), QString()}) {
            QVERIFY(Ini::write(file, "w", "k", value));
            QCOMPARE(Ini::read(file, "w", "k"), value);
        }
    }

    void chineseRoundTrip()
    {
        const QString file = path("gb.ini");
        const QString value = QString::fromUtf8("电话 𠀀 €");
        QVERIFY(Ini::write(file, QString::fromUtf8("用户"), QString::fromUtf8("张三"), value));
        QCOMPARE(Ini::read(file, QString::fromUtf8("用户"), QString::fromUtf8("张三")), value);
        // On disk: GBK for the common characters, the four-byte GB18030 form for the one outside GBK.
        const QByteArray bytes = contents(file);
        QVERIFY(bytes.contains("\xD5\xC5\xC8\xFD="));
        QVERIFY(bytes.contains("\x95\x32\x82\x36"));
    }

    void windowsFileKeepsItsBytes()
    {
        const QString file = path("windows.ini");
        const QByteArray head = "; \xCD\xA8\xD1\xB6\r\n[user]\r\n\xD5\xC5\xC8\xFD=1\r\nprice=\x80"
                                "5\r\n";
        const QByteArray tail = "\r\n[other]\r\n  x = y \r\n\xFF\xFE junk\r\n";
        put(file, head + tail);
        QCOMPARE(Ini::read(file, "user", QString::fromUtf8("张三")), QString("1"));
        QCOMPARE(Ini::read(file, "user", "price"), QString::fromUtf8("€5"));

        QVERIFY(Ini::write(file, "user", QString::fromUtf8("李四"), "2"));
        QCOMPARE(contents(file), head + "\xC0\xEE\xCB\xC4=2\r\n" + tail);

        QVERIFY(Ini::write(file, "USER", QString::fromUtf8("张三"), "3"));
        QByteArray expected = head + "\xC0\xEE\xCB\xC4=2\r\n" + tail;
        expected.replace("\xD5\xC5\xC8\xFD=1", "\xD5\xC5\xC8\xFD=3");
        QCOMPARE(contents(file), expected);
    }

    void codepageEdges()
    {
        QCOMPARE(Codepage::decode("a\x80z"), QString::fromUtf8("a€z"));
        // 0x80 as the trail byte of a double-byte character is part of that character, not a euro sign.
        const QString pair = Codepage::decode("\x81\x80");
        QCOMPARE(pair.size(), 1);
        QVERIFY(pair != QString::fromUtf8("€") && pair != QString(QChar::ReplacementCharacter));
        // Broken input decodes to something, and a cut-off character does not vanish.
        QVERIFY(Codepage::decode("\xFF\x81\x30").endsWith(QChar::ReplacementCharacter));
    }

    void missingReadsEmpty()
    {
        const QString file = path("nothing.ini");
        QCOMPARE(Ini::read(file, "s", "k"), QString());
        QVERIFY(Ini::keys(file, "s").isEmpty());
        put(path("some.ini"), "[s]\nk=v\n");
        QCOMPARE(Ini::read(path("some.ini"), "t", "k"), QString());
        QCOMPARE(Ini::read(path("some.ini"), "s", "x"), QString());
        QVERIFY(QDir(m_dir.path()).mkdir("folder.ini"));
        QCOMPARE(Ini::read(path("folder.ini"), "s", "k"), QString());
    }

    void rewriteKeepsOtherLines()
    {
        const QString file = path("garbage.ini");
        put(file, "before\n[a]\nk=1\nrubbish line\n; note\n\n\n[b]\r[b]\nx=1");
        QVERIFY(Ini::write(file, "a", "new", "2"));
        QVERIFY(Ini::write(file, "b", "x", "3"));
        QVERIFY(Ini::write(file, "c", "y", "4"));
        QCOMPARE(contents(file), QByteArray("before\r\n[a]\r\nk=1\r\nnew=2\r\nrubbish line\r\n; note\r\n\r\n\r\n"
                                            "[b]\r\nx=3\r\n[b]\r\nx=1\r\n\r\n[c]\r\ny=4\r\n"));
    }

    void unsafeTextIsRefused()
    {
        const QString file = path("unsafe.ini");
        QVERIFY(!Ini::write(file, "s", "k", "line\nbreak"));
        QVERIFY(!Ini::write(file, "s", "a=b", "v"));
        QVERIFY(!Ini::write(file, "s", "", "v"));
        QVERIFY(!QFile::exists(file));
    }

    void failedWriteChangesNothing()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath("settings.ini");
        QVERIFY(QDir(dir.path()).mkdir("settings.ini"));
        QString error;
        QVERIFY(!Ini::write(folder, "s", "k", "v", &error));
        QCOMPARE(error, QString("Unable to write to %1").arg(folder));
        QVERIFY(QFileInfo(folder).isDir());
        QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
                 QStringList("settings.ini"));

        const QString lost = dir.filePath("gone/settings.ini");
        error.clear();
        QVERIFY(!Ini::write(lost, "s", "k", "v", &error));
        QCOMPARE(error, QString("Unable to write to %1").arg(lost));
        QVERIFY(!QFileInfo::exists(dir.filePath("gone")));
    }

    void removeKey()
    {
        const QString file = path("remove.ini");
        put(file, "[a]\nk=1\nK=2\nother=3\n[b]\nk=4\n");
        QVERIFY(Ini::removeKey(file, "A", "k"));
        QCOMPARE(contents(file), QByteArray("[a]\r\nK=2\r\nother=3\r\n[b]\r\nk=4\r\n"));
        QVERIFY(Ini::removeKey(file, "a", "absent"));
        QCOMPARE(Ini::keys(file, "a"), QStringList({"K", "other"}));

        QVERIFY(Ini::removeKey(path("never.ini"), "a", "k"));
        QVERIFY(!QFile::exists(path("never.ini")));
    }

    void keysWrittenTogetherStayTogether()
    {
        const QString file = path("colour.ini");
        put(file, "[list]\r\ncolor=1\r\n");
        QVERIFY(Ini::write(file, "list", {{"color", "3"}, {"cr", "255"}, {"cg", "0"}, {"cb", "0"}}));
        QCOMPARE(contents(file), QByteArray("[list]\r\ncolor=3\r\ncr=255\r\ncg=0\r\ncb=0\r\n"));
        // One key that cannot be stored keeps all of them out.
        QVERIFY(!Ini::write(file, "list", {{"color", "2"}, {"c=r", "1"}}));
        QCOMPARE(Ini::read(file, "list", "color"), QString("3"));
    }

    void fileThatIsNoSettingsFileIsNeitherReadNorReplaced_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("larger than a settings file") << "large";
        QTest::newRow("named pipe") << "fifo";
    }

    void fileThatIsNoSettingsFileIsNeitherReadNorReplaced()
    {
        QFETCH(QString, kind);
        QTemporaryDir dir;
        const QString file = dir.filePath("set.ini");
        if (kind == "large") {
            put(file, "[main]\r\ntitle=x\r\n");
            QFile grow(file);
            QVERIFY(grow.resize(Ini::MaxFileSize + 1));
        } else {
            QCOMPARE(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
        }
        // A pipe would block the reader for ever, a huge file exhaust its memory.
        QVERIFY(!Ini::isSound(file));
        QCOMPARE(Ini::read(file, "main", "title"), QString());
        QVERIFY(Ini::keys(file, "main").isEmpty());
        QVERIFY(!Ini::write(file, "main", "title", "y"));
        QCOMPARE(QFileInfo(file).size(), kind == "large" ? Ini::MaxFileSize + 1 : 0);
        QVERIFY(Ini::isSound(dir.filePath("missing.ini")));
    }

    void linksOutOfTheProgramDirectoryAreNeitherReadNorWritten()
    {
        QTemporaryDir program;
        QTemporaryDir outside;
        const auto in = [&](const char* name) { return program.filePath(QString::fromUtf8(name)); };
        const auto out = [&](const char* name) { return outside.filePath(QString::fromUtf8(name)); };
        const QByteArray theirs = "[main]\r\ntitle=theirs\r\n";
        QVERIFY(QDir(outside.path()).mkdir("amy"));
        put(out("amy/set.ini"), theirs);
        put(in("real.ini"), theirs);
        QVERIFY(QFile::link(out("amy"), in("amy")));
        QVERIFY(QFile::link(out("amy/set.ini"), in("set.ini")));
        QVERIFY(QFile::link(out("new.ini"), in("new.ini"))); // dangling: a write would create it there
        QVERIFY(QFile::link("real.ini", in("inner.ini")));   // a link that stays inside is fine
        QVERIFY(QFile::link(program.path(), out("program")));
        platform::ProgramDir::set(out("program")); // the program directory itself may be reached through a link
        const auto restore = qScopeGuard([] { platform::ProgramDir::set(QDir::currentPath()); });

        for (const char* name : {"set.ini", "amy/set.ini", "amy/missing.ini", "new.ini"})
            QVERIFY2(platform::ProgramDir::leadsOut(in(name)), name);
        for (const char* name : {"inner.ini", "missing/x.ini"})
            QVERIFY2(!platform::ProgramDir::leadsOut(in(name)), name);
        QVERIFY(!platform::ProgramDir::leadsOut(out("amy/set.ini"))); // not the program's
        QVERIFY(!Ini::isSound(in("set.ini")) && !store::NotesFile::isSound(in("set.ini")));
        QCOMPARE(Ini::read(in("amy/set.ini"), "main", "title"), QString());
        QVERIFY(!Ini::write(in("set.ini"), "main", "title", "x"));
        QVERIFY(!store::AtomicFile::write(in("new.ini"), "x"));
        QVERIFY(!platform::Files::copyOverwrite(in("real.ini"), in("amy/x.ini")));
        QVERIFY(!platform::Files::copyOverwrite(in("amy/set.ini"), in("copy.ini")));
        QVERIFY(Ini::write(in("inner.ini"), "main", "title", "inner"));
        // Removing goes no further than the link itself.
        QVERIFY(!platform::Files::remove(in("amy/set.ini")));
        QVERIFY(platform::Files::remove(in("amy")));
        QCOMPARE(contents(out("amy/set.ini")), theirs);
        QVERIFY(!QFileInfo::exists(out("new.ini")) && !QFileInfo::exists(out("amy/x.ini")));
    }

    void leftoversOfKilledWritesAreRemoved()
    {
        QTemporaryDir dir;
        QVERIFY(store::AtomicFile::write(dir.filePath("zzz"), "notes"));
        QVERIFY(QDir(dir.path()).mkdir("amy"));
        const QDateTime old = QDateTime::currentDateTime().addSecs(-3600);
        const auto leave = [&](const QString& name, const QDateTime& when) {
            put(dir.filePath(name), "partial");
            QFile f(dir.filePath(name));
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.setFileTime(when, QFileDevice::FileModificationTime));
        };
        leave("set.ini.velloran-Ab12Cd", old);
        leave("amy/set.ini.velloran-QwErTy", old);
        leave("zzz.velloran-Zz9aB0", QDateTime::currentDateTime()); // another copy may be writing it right now
        leave("set.ini.backup", old);                               // the user's own
        leave("set.ini.AbCdEf", old);                               // no name of the program's
        QCOMPARE(platform::SaveFile::removeLeftovers(dir.path()), 2);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files, QDir::Name),
                 QStringList({"set.ini.AbCdEf", "set.ini.backup", "zzz", "zzz.velloran-Zz9aB0"}));
        QVERIFY(QDir(dir.filePath("amy")).isEmpty());
        QCOMPARE(contents(dir.filePath("zzz")), QByteArray("notes"));
    }

    void notesFileEncodings_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("rewritable"); // saving the text back changes no more than the line breaks

        QTest::newRow("code page 936, CR LF") << QByteArray("\xb1\xe3\xc7\xa9\r\nx") << "便签\nx" << true;
        QTest::newRow("line feeds only") << QByteArray("a\nb\rc") << "a\nb\nc" << true;
        QTest::newRow("UTF-8 from a Linux editor") << QByteArray("\xe4\xbe\xbf\xe7\xad\xbe\n") << "便签\n" << false;
        QTest::newRow("UTF-8 with a byte order mark") << QByteArray("\xef\xbb\xbf\xe4\xbe\xbf") << "便" << false;
        QTest::newRow("no text at all") << QByteArray("\xff\xfe\x81", 3) << QString() << false;
    }

    void notesFileEncodings()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QFETCH(bool, rewritable);
        const QString decoded = store::NotesFile::decode(bytes);
        if (!text.isNull())
            QCOMPARE(decoded, text);
        QCOMPARE(store::NotesFile::sameButLineBreaks(bytes, decoded), rewritable);
    }
};

QTEST_MAIN(TestIni)
#include "tst_ini.moc"
