#pragma once

#include <chrono>
#include <functional>
#include <future>

// How often a thread waiting for work done on another hears of it: often
// enough for a window to repaint between two turns.
inline constexpr std::chrono::milliseconds WaitingTurn{25};

// Waits until `work` is done, running `waiting` every WaitingTurn meanwhile.
template <typename T>
void waitBeside(const std::future<T> &work, const std::function<void()> &waiting)
{
    while (work.wait_for(WaitingTurn) != std::future_status::ready) {
        if (waiting)
            waiting();
    }
}
