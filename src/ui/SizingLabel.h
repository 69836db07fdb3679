#pragma once

#include <QLabel>

// A label that, with AutoSize on, is as wide as its caption: the window
// measures texts with it.
class SizingLabel : public QLabel {
public:
    using QLabel::QLabel;

    bool AutoSize() const { return m_autoSize; }
    void setAutoSize(bool autoSize) { m_autoSize = autoSize; }
    void setCaption(const QString &caption)
    {
        setText(caption);
        if (m_autoSize)
            adjustSize();
    }

private:
    bool m_autoSize = false;
};
