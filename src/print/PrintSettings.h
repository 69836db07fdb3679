#pragma once

#include <QPageLayout>
#include <QString>

class QPrinter;
class QSettings;

// The printer, paper and orientation last used, remembered for the next
// print or PDF. The orientation is remembered for each kind of document:
// a report printed across the page leaves a brewery's sheet upright.
// Without settings nothing is remembered.
class PrintSettings {
public:
    explicit PrintSettings(QSettings *settings) : m_settings(settings) {}

    // Pages for a document of `kind`: the paper last used (the default
    // printer's otherwise), the orientation last used for the kind (the
    // document's own otherwise).
    QPageLayout pageLayout(const QString &kind, QPageLayout::Orientation preferred) const;
    // Sets up `printer` as last used: its name, then the pages.
    void applyTo(QPrinter &printer, const QString &kind, QPageLayout::Orientation preferred) const;
    void remember(const QPageLayout &layout, const QString &kind) const;
    void remember(const QPrinter &printer, const QString &kind) const;

private:
    QSettings *m_settings;
};
