#pragma once

#include "StoreError.h"

#include <new>
#include <optional>

// The program's one error boundary: runs `work` and turns whatever it
// throws into a value, so that no failure travels on into Qt's event
// delivery or painting, where an exception ends the program.
template <typename Work> std::optional<StoreError> attempt(Work &&work)
{
    try {
        work();
        return std::nullopt;
    } catch (const StoreError &e) {
        return e;
    } catch (const std::bad_alloc &) {
        return StoreError(QStringLiteral("There is not enough memory for this step; nothing was changed."),
                          QStringLiteral("Sudregister"));
    } catch (const std::exception &e) {
        return StoreError(QString::fromLocal8Bit(e.what()), QStringLiteral("Sudregister"));
    }
}
