#pragma once

#include "Prompter.h"

#include <QString>

#include <deque>
#include <functional>
#include <vector>

// Records every message instead of showing it, and answers questions from a queue (Yes when
// the queue is empty). Installs itself for its lifetime. `whileShown`, when set, runs inside
// every Show, where a real message box runs its nested event loop.
class RecordingPrompter : public Prompter {
public:
    struct Message {
        QString text;
        Icon icon;
        Buttons buttons;
        QString caption;
    };

    RecordingPrompter() { Prompter::Install(this); }
    ~RecordingPrompter() override { Prompter::Install(nullptr); }

    Answer Show(QWidget*, const QString& text, Icon icon, Buttons buttons,
                const QString& caption) override {
        messages.push_back({text, icon, buttons, caption});
        if (whileShown) {
            whileShown();
        }
        if (buttons == Buttons::Ok) {
            return Answer::Ok;
        }
        if (answers.empty()) {
            return buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
        }
        const Answer answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::vector<Message> messages;
    std::deque<Answer> answers;
    std::function<void()> whileShown;
};
