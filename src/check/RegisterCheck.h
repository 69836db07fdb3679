#pragma once

#include "ValueRules.h"

#include <QString>
#include <atomic>
#include <vector>

class RegisterFile;

// One thing the check of the whole register found.
struct Finding {
    enum class Rule {
        Year,             // not a year, a year to come, a year not known exactly
        StopBeforeStart,  // of a brewery or of a history entry
        OutsideBrewery,   // a history entry's period outside its brewery's
        Overlap,          // two history periods of one brewery overlap
        PostalCode,       // neither five digits nor four of before 1993
        RareState,        // a state no German one and hardly used
        Blanks,           // blanks at a value's ends, or control characters
        Duplicate,        // the same brewery twice
    };
    static constexpr int RuleCount = int(Rule::Duplicate) + 1;
    Rule rule;
    bool error = true;
    qint64 brewery = -1;
    // The history entry the finding is about; -1 for the brewery's own value.
    qint64 chronik = -1;
    QString field;
    QString value;
    QString text;
    // The brewery's name and city, to recognise it by in a list.
    QString breweryName;
    QString city;
    // The brewery a duplicate is one of; -1 for other findings.
    qint64 other = -1;
};

// The check's rule of a note on a value.
Finding::Rule RuleOf(ValueNote::Rule rule);

// The rule's key (fixed, for settings), its name and a line of what it
// looks for.
QString RuleKey(Finding::Rule rule);
QString RuleName(Finding::Rule rule);
QString RuleExplanation(Finding::Rule rule);

// How far a check has come, for another thread to show; `cancel` stops it.
struct CheckProgress {
    std::atomic<qint64> done{0};
    std::atomic<qint64> total{0};
    std::atomic<bool> cancel{false};
};

// Checks every brewery and history entry of the register, one pass over
// each table, grouping rather than comparing every pair: duplicates meet
// under their folded name and city, or their ID. Throws the store's
// StoreError. Returns what it found, breweries in key order; nothing when
// cancelled.
std::vector<Finding> CheckRegister(RegisterFile &file, int currentYear, CheckProgress *progress = nullptr);
