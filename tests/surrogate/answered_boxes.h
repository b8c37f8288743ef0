// Answers with OK every message box any process shows, from a thread of its own, and records them
// with the process that showed them: a server in COM's surrogate shows its boxes there.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace surrogate_tests {

struct AnsweredBox {
    std::wstring caption;
    std::wstring text;
    DWORD processId = 0;
};

class AnsweredBoxes {
public:
    AnsweredBoxes();
    AnsweredBoxes(const AnsweredBoxes&) = delete;
    AnsweredBoxes& operator=(const AnsweredBoxes&) = delete;
    ~AnsweredBoxes();

    std::vector<AnsweredBox> seen() const;

private:
    void Watch();

    mutable std::mutex mutex_;
    std::vector<AnsweredBox> seen_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace surrogate_tests
