#pragma once

#include "RowChange.h"

#include <QList>
#include <QObject>
#include <QUndoStack>
#include <functional>
#include <optional>

class RegisterFile;

// The undo history of one window's changes to the register, in one place:
// recording, checking and replaying. Every group of writes the window
// commits through its record sets (a cell, a new row, a delete with the
// history entries it takes along) becomes one RegisterStep, which writes
// itself back or again when the stack undoes or redoes it.
class RegisterUndo : public QObject {
    Q_OBJECT
public:
    // The last steps kept.
    static constexpr int Steps = 1000;

    explicit RegisterUndo(QObject *parent = nullptr);
    ~RegisterUndo() override;

    // Records the window's writes to `file` from now on.
    void follow(RegisterFile &file);
    // How the steps name a field ("change of <name> of …"): the window's
    // caption for it; the field's own name without.
    using FieldCaption = std::function<QString(const QString &table, const QString &field)>;
    void setFieldCaption(FieldCaption caption) { m_caption = std::move(caption); }
    QUndoStack &stack() { return m_stack; }

    // Runs `write`; the group of writes it commits becomes one step named
    // `text` ("corrections from list.xlsx"), however many rows it changed.
    void recordAs(const QString &text, const std::function<void()> &write);

    // Throw StoreError, and leave the step where it was, when refused.
    void undo();
    void redo();

signals:
    // A step was undone or redone ("Undone: ..."); `breweries` are the
    // breweries it changed (the first is the one to show), `entry` the
    // history entry, if it changed one.
    void stepTaken(const QString &message, const QList<qint64> &breweries, std::optional<qint64> entry);

private:
    void record(RowChanges changes);
    QString describe(const RowChanges &changes);
    void told(const QString &done, const RowChanges &changes);

    QString captionOf(const QString &table, const QString &field) const;

    QUndoStack m_stack;
    RegisterFile *m_file = nullptr;
    FieldCaption m_caption;
    // The name of the step being written by recordAs().
    QString m_namedStep;
};
