#include "tests/surrogate/answered_boxes.h"

#include "tests/fixtures/message_box_watcher.h"

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
    std::set<HWND> answered;
    const auto record = [this](HWND window, const fixtures::SeenBox& box) {
        DWORD processId = 0;
        ::GetWindowThreadProcessId(window, &processId);
        std::lock_guard<std::mutex> lock(mutex_);
        seen_.push_back({box.caption, box.text, processId});
    };
    while (!stop_) {
        fixtures::AnswerEveryMessageBox(answered, record);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

}  // namespace surrogate_tests
