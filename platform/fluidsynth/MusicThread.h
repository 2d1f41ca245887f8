#pragma once

// The music device on a thread of its own, so that the window never waits
// for it: loading a soundfont and starting a sound device can take seconds.
//  [X] Command strings go to MusicCommands in the order sent; their results
//      are never looked at, so nothing comes back.
//  [X] Other work for the device (loading the soundfont) joins the same
//      queue, so the device is only ever touched from this thread.
//  [X] At the end, work not yet begun is dropped; the work under way is
//      waited for.

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string_view>
#include <thread>

class MusicCommands;

class MusicThread {
public:
    explicit MusicThread(MusicCommands& commands);
    MusicThread(const MusicThread&) = delete;
    MusicThread& operator=(const MusicThread&) = delete;
    ~MusicThread();

    // Returns at once; the command is carried out after those sent before.
    void Send(std::string_view command);
    void Post(std::function<void()> work);

private:
    void Loop();

    MusicCommands& m_commands;
    std::mutex m_lock;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_queue;
    bool m_ending = false;
    std::thread m_thread;  // last: starts once the rest is made
};
