#pragma once

#include "FileAsker.h"

#include <QString>

#include <functional>
#include <optional>
#include <vector>

// Records every request instead of showing a file dialog and gives `answer` to each (nullopt:
// cancelled, which is also the default). Installs itself for its lifetime. `whileShown`, when
// set, runs inside every Show, where a real file dialog runs its nested event loop.
class RecordingFileAsker : public FileAsker {
public:
    RecordingFileAsker() { FileAsker::Install(this); }
    ~RecordingFileAsker() override { FileAsker::Install(nullptr); }

    std::optional<Answer> Show(QWidget*, const Request& request) override {
        requests.push_back(request);
        if (whileShown) {
            whileShown();
        }
        return answer;
    }

    // Every later request is answered with `path`, chosen under filter `filter`.
    void AnswerWith(const QString& path, int filter = 0) { answer = Answer{path, filter}; }

    std::vector<Request> requests;
    std::optional<Answer> answer;
    std::function<void()> whileShown;
};
