// Work run in a thread of its own is one step to the caller: its result and its failure come back, and no timer
// of the caller's fires while it waits.
#include "platform/Worker.h"

#include <QTest>
#include <QTimer>

#include <stdexcept>
#include <thread>

class TestWorker : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void workIsOneStepToTheCaller()
    {
        platform::Worker worker(QStringLiteral("test"));
        bool fired = false;
        QTimer::singleShot(1, this, [&fired] { fired = true; });
        bool elsewhere = false;
        worker.run([&] {
            elsewhere = worker.isWorkerThread();
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            // Work that asks for more work runs it at once.
            worker.run([] {});
        });
        QVERIFY(elsewhere);
        QVERIFY(!fired);
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, worker.run([] { throw std::runtime_error("failed"); }));
        QTRY_VERIFY(fired);
    }
};

QTEST_GUILESS_MAIN(TestWorker)
#include "tst_worker.moc"
