#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// The only way the program asks or tells the user something. The windows
// show real message boxes; tests put a scripted one in their place.
class MessageBoxes {
public:
    enum class Answer { Yes, No, Cancel };

    virtual ~MessageBoxes() = default;
    // Yes, No and Cancel with the question icon, under the program's title;
    // Enter gives `preselected`.
    virtual Answer ask(const QString &text, Answer preselected = Answer::Yes) = 0;
    // OK only, no icon, under the program's title.
    virtual void tell(const QString &text) = 0;
    // As tell(), but over `window` without waiting for the OK: the window
    // stays usable and a close of it is never held up by the notice.
    virtual void notice(const QString &text, QWidget *window)
    {
        Q_UNUSED(window);
        tell(text);
    }
    // OK only, critical icon, under the given title.
    virtual void critical(const QString &text, const QString &title) = 0;
};

// Message boxes on the screen, owned by `parent`'s window.
class QtMessageBoxes : public MessageBoxes {
public:
    explicit QtMessageBoxes(QWidget *parent) : m_parent(parent) {}
    Answer ask(const QString &text, Answer preselected) override;
    void tell(const QString &text) override;
    void notice(const QString &text, QWidget *window) override;
    void critical(const QString &text, const QString &title) override;

private:
    // Shows a modal box, unless one of the same text stands open already:
    // two steps that meet the same failure while its box waits for the
    // user are told once.
    void showOnce(bool critical, const QString &title, const QString &text);

    QWidget *m_parent;
    QStringList m_open;
};

inline const QString ProgramTitle = QStringLiteral("Sudregister");
