#pragma once

#include <QtGlobal>
#include <functional>

// Told now and then how far a long step has come, `done` of `total`. The
// window uses the calls to repaint and show the figure; a step without a
// listener simply runs.
using Progress = std::function<void(qint64 done, qint64 total)>;
