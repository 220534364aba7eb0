// Answers the message boxes this process shows while it lives, and keeps what they said.
#pragma once
#include "driver/message_box.h"
#include "driver/window_find.h"

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

class BoxCatcher {
public:
    explicit BoxCatcher(int answer = IDOK) : m_answer(answer), m_thread([this] { Watch(); }) {}
    ~BoxCatcher() {
        m_stop = true;
        m_thread.join();
    }
    BoxCatcher(const BoxCatcher&) = delete;
    BoxCatcher& operator=(const BoxCatcher&) = delete;

    std::vector<kivdrv::MessageBoxInfo> Boxes() {
        std::lock_guard lock(m_mutex);
        return m_boxes;
    }

private:
    void Watch() {
        while (!m_stop) {
            const HWND box =
                kivdrv::WaitForMessageBox(GetCurrentProcessId(), std::chrono::milliseconds(50));
            if (!box) continue;
            auto info = kivdrv::ReadMessageBox(box, std::chrono::seconds(2));
            {
                std::lock_guard lock(m_mutex);
                m_boxes.push_back(std::move(info));
            }
            kivdrv::PressButton(box, m_answer);
            kivdrv::WaitUntil([box] { return !IsWindowVisible(box); }, std::chrono::seconds(2));
        }
    }

    int m_answer;
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::vector<kivdrv::MessageBoxInfo> m_boxes;
    std::thread m_thread;
};
