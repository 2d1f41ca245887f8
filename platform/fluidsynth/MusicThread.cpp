#include "platform/fluidsynth/MusicThread.h"

#include <string>
#include <utility>

#include "platform/MusicCommands.h"

MusicThread::MusicThread(MusicCommands& commands)
    : m_commands(commands), m_thread([this] { Loop(); }) {}

MusicThread::~MusicThread() {
    {
        const std::lock_guard lock(m_lock);
        m_ending = true;
        m_queue.clear();
    }
    m_wake.notify_one();
    m_thread.join();
}

void MusicThread::Send(std::string_view command) {
    Post([this, text = std::string(command)] { m_commands.Send(text); });
}

void MusicThread::Post(std::function<void()> work) {
    {
        const std::lock_guard lock(m_lock);
        m_queue.push_back(std::move(work));
    }
    m_wake.notify_one();
}

void MusicThread::Loop() {
    for (;;) {
        std::function<void()> work;
        {
            std::unique_lock lock(m_lock);
            m_wake.wait(lock, [this] { return m_ending || !m_queue.empty(); });
            if (m_ending) return;
            work = std::move(m_queue.front());
            m_queue.pop_front();
        }
        work();
    }
}
