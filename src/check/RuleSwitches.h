#pragma once

#include "RegisterCheck.h"
#include "ValueRules.h"

class QSettings;

// Which rules speak: all of them unless the user has switched one off,
// which is remembered (setting "check/rulesOff", by the rules' keys). Read
// anew each time, so that a switch in the check window holds for the
// grids' notes at once.
class RuleSwitches {
public:
    // Without settings every rule is on, and stays on.
    explicit RuleSwitches(QSettings *settings) : m_settings(settings) {}

    bool isOn(Finding::Rule rule) const;
    bool isOn(ValueNote::Rule rule) const;
    void set(Finding::Rule rule, bool on);

private:
    QSettings *m_settings;
};
