#include "platform/Worker.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>

#include <atomic>
#include <exception>
#include <memory>

namespace platform {

Worker::Worker(const QString& name)
{
    m_thread = QThread::create([this] { loop(); });
    m_thread->setObjectName(name);
    m_thread->start();
}

Worker::~Worker()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_thread->wait();
    delete m_thread;
}

void Worker::loop()
{
    for (;;) {
        std::function<void()> work;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
            if (m_queue.empty())
                return;
            work = std::move(m_queue.front());
            m_queue.pop_front();
        }
        work();
    }
}

void Worker::post(std::function<void()> work)
{
    {
        const std::lock_guard lock(m_mutex);
        m_queue.push_back(std::move(work));
    }
    m_wake.notify_one();
}

bool Worker::hasQueuedWork()
{
    const std::lock_guard lock(m_mutex);
    return !m_queue.empty();
}

void Worker::run(const std::function<void()>& work)
{
    if (isWorkerThread()) {
        work();
        return;
    }
    struct State {
        std::atomic<bool> done{false};
        std::exception_ptr failure;
        std::mutex mutex;
        std::condition_variable finished;
    };
    auto state = std::make_shared<State>();
    // Without an event loop to keep running (no application, or a thread without a dispatcher) the caller simply
    // blocks.
    QAbstractEventDispatcher* dispatcher =
        QCoreApplication::instance() ? QAbstractEventDispatcher::instance(QThread::currentThread()) : nullptr;
    {
        const std::lock_guard lock(m_mutex);
        m_queue.push_back([state, dispatcher, &work] {
            try {
                work();
            } catch (...) {
                state->failure = std::current_exception();
            }
            {
                const std::lock_guard done(state->mutex);
                state->done = true;
            }
            state->finished.notify_all();
            if (dispatcher)
                dispatcher->wakeUp();
        });
    }
    m_wake.notify_one();
    if (dispatcher) {
        // Repaints and other posted events only: what the user does and what timers and sockets start waits until
        // the work is done, as it would behind work done in place.
        constexpr auto events = QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers |
                                QEventLoop::X11ExcludeTimers | QEventLoop::WaitForMoreEvents;
        while (!state->done)
            QCoreApplication::processEvents(events);
    } else {
        std::unique_lock lock(state->mutex);
        state->finished.wait(lock, [&state] { return state->done.load(); });
    }
    if (state->failure)
        std::rethrow_exception(state->failure);
}

} // namespace platform
