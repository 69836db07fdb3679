#include "RuleSwitches.h"

#include <QSettings>

namespace {

const QString OffKey = QStringLiteral("check/rulesOff");

} // namespace

bool RuleSwitches::isOn(Finding::Rule rule) const
{
    return !m_settings || !m_settings->value(OffKey).toStringList().contains(RuleKey(rule));
}

bool RuleSwitches::isOn(ValueNote::Rule rule) const
{
    return isOn(RuleOf(rule));
}

void RuleSwitches::set(Finding::Rule rule, bool on)
{
    if (!m_settings)
        return;
    QStringList off = m_settings->value(OffKey).toStringList();
    off.removeAll(RuleKey(rule));
    if (!on)
        off << RuleKey(rule);
    m_settings->setValue(OffKey, off);
}
