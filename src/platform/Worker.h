#pragma once

#include <QThread>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace platform {

// A thread of its own for long work whose result the calling thread waits for. While the caller waits, its windows
// go on repainting, but no key, click, timer or socket is handled until the work is done: to the caller the work is
// one step, as if it had run in place, only the window does not freeze under it.
class Worker {
public:
    explicit Worker(const QString& name);
    // Lets queued work finish, then ends the thread.
    ~Worker();
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    // Runs work in the thread and returns once it is done. Work that throws throws here. Called from the worker's
    // own thread (work that asks for more work), it runs at once.
    void run(const std::function<void()>& work);
    // Queues work without waiting for it: the destructor still lets it finish.
    void post(std::function<void()> work);

    bool isWorkerThread() const { return QThread::currentThread() == m_thread; }
    // Whether work is queued behind the one running: work done while the thread is idle yields to it.
    bool hasQueuedWork();

private:
    void loop();

    QThread* m_thread = nullptr;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_queue;
    bool m_stopping = false;
};

} // namespace platform
