#pragma once

#include "RowChange.h"
#include "StoreError.h"

#include <QUndoCommand>
#include <optional>

class RegisterFile;

// One step of the undo history: the rows one committed group of writes
// changed. Undoing it writes each row back as it was, redoing it writes it
// again, in one transaction, each row checked first: a row another program
// changed or deleted since, or a key it has taken meanwhile, refuses the
// whole step and nothing is written.
//
// The stack calls undo() and redo() and cannot be told of a refusal: a
// refused step keeps it in refusal() for RegisterUndo, which puts the
// stack back where it was.
class RegisterStep : public QUndoCommand {
public:
    RegisterStep(RegisterFile &file, RowChanges changes, const QString &text);

    void undo() override;
    void redo() override;

    const RowChanges &changes() const { return m_changes; }
    // Why the last undo() or redo() wrote nothing, if it was refused.
    std::optional<StoreError> takeRefusal() { return std::exchange(m_refusal, std::nullopt); }
    // The next undo() or redo() only moves the stack: the rows already
    // stand that way (the step was just written by the window, or its
    // replay was refused).
    void skipNextWrite() { m_skipWrite = true; }

private:
    enum class Direction { Back, Again };
    void apply(Direction direction);
    void replay(Direction direction);

    RegisterFile &m_file;
    RowChanges m_changes;
    // Pushed after the window wrote it: the stack's first redo() writes
    // nothing.
    bool m_skipWrite = true;
    std::optional<StoreError> m_refusal;
};
