#include "engine/EngineCallRelay.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

namespace {

// One helper thread for the process, started on first use.
class Helper
{
public:
    ~Helper()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_wake.notify_all();
        if (m_thread.joinable())
            m_thread.join();
    }

    // Queues the call; the returned flag turns true when it has run.
    struct Job
    {
        std::function<void()> call;
        bool done = false;
    };

    void post(const std::shared_ptr<Job> &job)
    {
        {
            const std::lock_guard lock(m_mutex);
            if (!m_thread.joinable())
                m_thread = std::thread([this] { serve(); });
            m_jobs.push_back(job);
        }
        m_wake.notify_all();
    }

    // Waits up to the given time for the job; true when it has run.
    bool waitFor(const std::shared_ptr<Job> &job, std::chrono::microseconds time)
    {
        std::unique_lock lock(m_mutex);
        return m_finished.wait_for(lock, time, [&] { return job->done; });
    }

private:
    void serve()
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_wake.wait(lock, [this] { return m_stopping || !m_jobs.empty(); });
            if (m_jobs.empty())
                return;
            const std::shared_ptr<Job> job = m_jobs.front();
            m_jobs.pop_front();
            lock.unlock();
            job->call();
            lock.lock();
            job->done = true;
            m_finished.notify_all();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_finished;
    std::deque<std::shared_ptr<Job>> m_jobs;
    bool m_stopping = false;
    std::thread m_thread;
};

Helper &helper()
{
    static Helper instance;
    return instance;
}

// The step and the flag are touched on the drawing thread only; other
// threads read just the id, which tells them they are not that thread.
std::atomic<std::thread::id> drawingThread;
std::function<void()> drawingStep;
const void *stepOwner = nullptr;
bool drawing = false;

} // namespace

void EngineCallRelay::setDrawingStep(const void *owner, std::function<void()> step)
{
    drawingStep = std::move(step);
    stepOwner = owner;
    drawingThread = std::this_thread::get_id();
}

void EngineCallRelay::clearDrawingStep(const void *owner)
{
    if (std::this_thread::get_id() != drawingThread.load() || owner != stepOwner)
        return;
    drawingThread = std::thread::id();
    drawingStep = nullptr;
    stepOwner = nullptr;
}

void EngineCallRelay::run(const std::function<void()> &call)
{
    // Calls made from inside the drawing step itself go straight through:
    // the step never waits for the engine.
    if (std::this_thread::get_id() != drawingThread.load() || !drawingStep || drawing) {
        call();
        return;
    }
    auto job = std::make_shared<Helper::Job>();
    job->call = call;
    helper().post(job);
    while (!helper().waitFor(job, std::chrono::milliseconds(1))) {
        const std::function<void()> step = drawingStep;
        if (!step)
            continue;
        drawing = true;
        step();
        drawing = false;
    }
}
