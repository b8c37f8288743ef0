#include "answered_boxes.h"

#include "message_box_watcher.h"

#include <algorithm>
#include <chrono>

namespace surrogate_tests {

AnsweredBoxes::AnsweredBoxes() : thread_([this] { Watch(); }) {}

AnsweredBoxes::~AnsweredBoxes() {
    stop_ = true;
    thread_.join();
}

std::vector<AnsweredBox> AnsweredBoxes::seen() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return seen_;
}

void AnsweredBoxes::Watch() {
    while (!stop_) {
        ::EnumWindows(&AnsweredBoxes::OnWindow, reinterpret_cast<LPARAM>(this));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

BOOL CALLBACK AnsweredBoxes::OnWindow(HWND window, LPARAM self) {
    if (!fixtures::IsMessageBox(window) || !::IsWindowVisible(window)) return TRUE;
    auto& boxes = *reinterpret_cast<AnsweredBoxes*>(self);
    {
        std::lock_guard<std::mutex> lock(boxes.mutex_);
        if (std::find(boxes.answered_.begin(), boxes.answered_.end(), window) == boxes.answered_.end()) {
            boxes.answered_.push_back(window);
            const fixtures::SeenBox box = fixtures::MessageBoxWatcher::Read(window);
            DWORD processId = 0;
            ::GetWindowThreadProcessId(window, &processId);
            boxes.seen_.push_back({box.caption, box.text, processId});
        }
    }
    // Posted again on every pass until the box is gone: a box may not take its first answer.
    ::PostMessageW(window, WM_COMMAND, IDOK, 0);
    return TRUE;
}

}  // namespace surrogate_tests
