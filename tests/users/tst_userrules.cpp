// The user rules without a window: the name checks in code page 936 bytes, the typed-character filter, the
// change-password placeholder, and the password hashes.
#include "store/Passwords.h"
#include "users/UserRules.h"

#include <QElapsedTimer>
#include <QtTest>

class TestUserRules : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void newUserChecks_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("field"); // UserRules::Check::Field
        QTest::addColumn<QString>("text");
        const QString required = QStringLiteral("用户名必须填写！");
        const QString tooShort = QStringLiteral("用户名太短，请重新填写！");
        const QString special = QStringLiteral("用户名中不能含有特殊字符！");
        const int name = UserRules::Check::Name;
        QTest::newRow("empty") << "" << "pw" << name << required;
        QTest::newRow("spaces only") << "   " << "pw" << name << required;
        QTest::newRow("invisible only") << QStringLiteral("\u200B\u3000\u2060\u3164\uFEFF") << "pw" << name << required;
        QTest::newRow("visible among invisible") << QStringLiteral("\u200Babc") << "pw" << int(UserRules::Check::None)
                                                 << "";
        QTest::newRow("two letters") << "ab" << "pw" << name << tooShort;
        QTest::newRow("two letters in spaces") << " ab " << "pw" << name << tooShort;
        QTest::newRow("one Chinese character") << "张" << "pw" << name << tooShort;
        QTest::newRow("three letters") << "abc" << "pw" << int(UserRules::Check::None) << "";
        QTest::newRow("Chinese and a letter") << "张a" << "pw" << int(UserRules::Check::None) << "";
        QTest::newRow("two Chinese characters") << "张三" << "pw" << int(UserRules::Check::None) << "";
        // The name is a folder name: at most 255 bytes of UTF-8.
        QTest::newRow("255 bytes") << QString(85, QChar(0x5F20)) << "pw" << int(UserRules::Check::None) << "";
        QTest::newRow("258 bytes") << QString(86, QChar(0x5F20)) << "pw" << name << QStringLiteral("用户名太长，请重新填写！");
        // Pasted text passes the key filter; each of these would leave the program directory or break user.ini.
        QTest::newRow("parent folder") << "../x" << "pw" << name << special;
        QTest::newRow("slash") << "ab/c" << "pw" << name << special;
        QTest::newRow("backslash") << "ab\\c" << "pw" << name << special;
        QTest::newRow("refused character") << "ab|c" << "pw" << name << special;
        QTest::newRow("control character") << "ab\tc" << "pw" << name << special;
        QTest::newRow("equals sign") << "a=bc" << "pw" << name << special;
        QTest::newRow("leading bracket") << "[abc" << "pw" << name << special;
        QTest::newRow("leading semicolon") << ";abc" << "pw" << name << special;
        QTest::newRow("empty password") << "abc" << "" << int(UserRules::Check::Password) << "密码必须填写！";
        QTest::newRow("blank password") << "abc" << "  " << int(UserRules::Check::Password) << "密码必须填写！";
    }

    void newUserChecks()
    {
        QFETCH(QString, name);
        QFETCH(QString, password);
        QFETCH(int, field);
        QFETCH(QString, text);
        const UserRules::Check check = UserRules::checkNewUser(name, password);
        QCOMPARE(int(check.field), field);
        QCOMPARE(check.text, text);
    }

    void typedFilterAndRights()
    {
        for (const QChar c : QStringLiteral("!\"&*,./:;<>?\\|"))
            QVERIFY2(UserRules::refusesTyped(c), qPrintable(QString(c)));
        for (const QChar c : QStringLiteral("aZ9 -_=张，"))
            QVERIFY2(!UserRules::refusesTyped(c), qPrintable(QString(c)));
        QCOMPARE(UserRules::codepageLength(QStringLiteral("张a")), 3);
        QCOMPARE(UserRules::storedRights(QStringLiteral("超级用户")), QStringLiteral("超级用户"));
        QCOMPARE(UserRules::storedRights(QStringLiteral("超级用户 ")), QStringLiteral("普通用户"));
        QCOMPARE(UserRules::storedRights(QStringLiteral("随便")), QStringLiteral("普通用户"));
        // The program's own files and folders are no user names, in any letter case.
        QVERIFY(UserRules::isReservedName(QStringLiteral("PHOTO")));
        QVERIFY(UserRules::isReservedName(QStringLiteral("backup")));
        QVERIFY(!UserRules::isReservedName(QStringLiteral("photos")));
    }

    void placeholderGivesWayToTyping_data()
    {
        QTest::addColumn<QString>("edited");
        QTest::addColumn<QString>("kept");
        const QString unchanged = UserRules::unchangedPassword();
        QTest::newRow("untouched") << unchanged << unchanged;
        QTest::newRow("typed after it") << unchanged + "new" << "new";
        QTest::newRow("typed inside it") << unchanged.left(3) + "n" + unchanged.mid(3) << "n";
        QTest::newRow("one character erased") << unchanged.left(7) << "";
        QTest::newRow("no placeholder") << " a b " << " a b ";
    }

    void placeholderGivesWayToTyping()
    {
        QFETCH(QString, edited);
        QFETCH(QString, kept);
        QCOMPARE(UserRules::withoutPlaceholder(edited), kept);
        QVERIFY(!UserRules::unchangedPassword().trimmed().isEmpty());
    }

    void hashAtTheRealCost()
    {
        store::Passwords::setMinimumCost(false);
        QString stored;
        QElapsedTimer timer;
        timer.start();
        QVERIFY(store::Passwords::hash(QStringLiteral("Secret 密码"), &stored));
        const qint64 hashMs = timer.restart();
        QVERIFY(store::Passwords::matches(QStringLiteral("Secret 密码"), stored));
        qInfo("Argon2id at the interactive cost: hash %lld ms, verify %lld ms", hashMs, timer.elapsed());
        QVERIFY2(stored.startsWith(QLatin1String("$argon2id$v=19$m=65536,t=2,p=1$")), qPrintable(stored));
        QVERIFY(store::Passwords::isHash(stored));
    }

    void passwordsMatch_data()
    {
        store::Passwords::setMinimumCost(true);
        QString hashed;
        QVERIFY(store::Passwords::hash(QStringLiteral(" Pw1 "), &hashed));
        QString other;
        QVERIFY(store::Passwords::hash(QStringLiteral(" Pw1 "), &other));
        QVERIFY2(hashed != other, "every hash has its own salt");
        // A plain password that looks like the start of a hash is still plain text.
        const QString lookalike = QStringLiteral("$argon2id$v=19$m=65536,t=2,p=1$abc");

        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("isHash");
        QTest::addColumn<bool>("matches");
        QTest::newRow("hash, same") << hashed << " Pw1 " << true << true;
        QTest::newRow("hash, untrimmed counts") << hashed << "Pw1" << true << false;
        QTest::newRow("hash, letter case") << hashed << " pW1 " << true << false;
        QTest::newRow("hash typed as password") << hashed << hashed << true << false;
        QTest::newRow("plain, same") << "Secret" << "Secret" << false << true;
        QTest::newRow("plain, letter case") << "Secret" << "secret" << false << false;
        QTest::newRow("plain lookalike") << lookalike << lookalike << false << true;
        QTest::newRow("plain lookalike, other") << lookalike << "x" << false << false;
    }

    void passwordsMatch()
    {
        QFETCH(QString, stored);
        QFETCH(QString, typed);
        QFETCH(bool, isHash);
        QFETCH(bool, matches);
        QCOMPARE(store::Passwords::isHash(stored), isHash);
        QCOMPARE(store::Passwords::matches(typed, stored), matches);
    }
};

QTEST_GUILESS_MAIN(TestUserRules)
#include "tst_userrules.moc"
