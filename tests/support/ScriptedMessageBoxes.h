#pragma once

#include "MessageBoxes.h"

#include <QList>
#include <QStringList>
#include <functional>

// Message boxes for tests: questions are answered from a script (Yes when
// it runs dry would hide faults, so an empty script answers Cancel), and
// everything shown is recorded.
class ScriptedMessageBoxes : public MessageBoxes {
public:
    QList<Answer> answers;
    QStringList asked;
    QList<Answer> preselected; // the answer Enter would have given, per question
    QStringList told;
    QStringList failures; // "title: text"
    // Runs while a notice or failure is shown, to look at the windows then.
    std::function<void()> whileShown;
    // Runs while a question is open, as the user takes time to answer.
    std::function<void()> whileAsked;

    Answer ask(const QString &text, Answer preset) override
    {
        asked << text;
        preselected << preset;
        if (whileAsked)
            whileAsked();
        return answers.isEmpty() ? Answer::Cancel : answers.takeFirst();
    }
    void tell(const QString &text) override
    {
        told << text;
        if (whileShown)
            whileShown();
    }
    void critical(const QString &text, const QString &title) override
    {
        failures << title + ": " + text;
        if (whileShown)
            whileShown();
    }
};
