#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

// Runs tasks one after another, in the order they were given, on a thread
// of its own that starts with the first task; a program that gives none
// starts no thread. The destructor waits until every task given has run.
class TaskThread
{
public:
    TaskThread() = default;
    ~TaskThread();
    TaskThread(const TaskThread&) = delete;
    TaskThread& operator=(const TaskThread&) = delete;

    void push(std::function<void()> task);
    // Waits until every task given so far has run.
    void flush();
    // Whether any task was ever given.
    bool hasStarted();

private:
    void run();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<std::function<void()>> m_tasks;
    bool m_busy = false;
    bool m_stopping = false;
    std::thread m_thread;
};
