#include "platform/TaskThread.h"

TaskThread::~TaskThread()
{
    {
        std::lock_guard guard(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void TaskThread::push(std::function<void()> task)
{
    std::lock_guard guard(m_mutex);
    m_tasks.push_back(std::move(task));
    if (!m_thread.joinable())
        m_thread = std::thread([this] { run(); });
    m_wake.notify_one();
}

void TaskThread::flush()
{
    std::unique_lock guard(m_mutex);
    m_idle.wait(guard, [this] { return m_tasks.empty() && !m_busy; });
}

bool TaskThread::hasStarted()
{
    std::lock_guard guard(m_mutex);
    return m_thread.joinable();
}

void TaskThread::run()
{
    std::unique_lock guard(m_mutex);
    for (;;) {
        m_wake.wait(guard, [this] { return m_stopping || !m_tasks.empty(); });
        if (m_tasks.empty())
            return;  // stopping, and every task has run
        std::function<void()> task = std::move(m_tasks.front());
        m_tasks.pop_front();
        m_busy = true;
        guard.unlock();
        task();
        guard.lock();
        m_busy = false;
        if (m_tasks.empty())
            m_idle.notify_all();
    }
}
