#pragma once

#include <QAnyStringView>
#include <QByteArray>
#include <QString>
#include <memory>

// Text in the 8-bit code page of the register's saved reports, one byte a
// character, German umlauts and "ß" included. A character the code page
// cannot hold is written as "?" and counted.
class Windows1252Encoder {
public:
    Windows1252Encoder();
    ~Windows1252Encoder();
    Windows1252Encoder(const Windows1252Encoder &) = delete;
    Windows1252Encoder &operator=(const Windows1252Encoder &) = delete;

    void append(QByteArray &out, QAnyStringView text);
    // Characters written as "?" so far.
    qsizetype replaced() const { return m_replaced; }
    // Counts those of another encoder that wrote part of the same text.
    void countReplacedOf(const Windows1252Encoder &other) { m_replaced += other.m_replaced; }

private:
    void *m_converter;
    qsizetype m_replaced = 0;
};

QString FromWindows1252(const QByteArray &bytes);
