#pragma once

#include "MessageBoxes.h"

#include <QtGlobal>

// Answers every question alike (Cancel, unless told otherwise) and shows
// nothing: a benchmark must not wait for a click. Failures still go to the
// log.
class SilentMessageBoxes : public MessageBoxes {
public:
    Answer answer = Answer::Cancel;
    Answer ask(const QString &, Answer) override { return answer; }
    void tell(const QString &) override {}
    void critical(const QString &text, const QString &) override { qWarning("%s", qPrintable(text)); }
};
