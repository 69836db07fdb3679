#pragma once

#include <QString>

// A search criterion of the form  Field like 'pattern'  as the city jump
// writes it. In the pattern "*" stands for any run of characters and "?"
// for one character; letters match without regard to case; an apostrophe
// inside the quotes is written doubled. The pattern is matched here, in
// the program, so it never becomes SQL.
class LikeCriterion {
public:
    // Throws StoreError for any other form.
    static LikeCriterion parse(const QString &criterion);
    // Values of `field` that begin with `prefix`, taken literally: no
    // character of it is a wildcard.
    static LikeCriterion startingWith(const QString &field, const QString &prefix);

    const QString &field() const { return m_field; }
    bool matches(const QString &value) const;

private:
    QString m_field;
    QString m_pattern; // case-folded
    QString m_prefix;  // set when the pattern is a plain prefix followed by "*"
    bool m_isPrefix = false;
};
