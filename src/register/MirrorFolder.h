#pragma once

#include <QTemporaryDir>
#include <memory>

// The temporary folder that holds a shared register's window copy, the
// owner's alone. It names the window's process, so that the folders of
// windows that were killed (and could not remove theirs) are removed when
// the next window makes its own: such a copy is as large as the register.
std::unique_ptr<QTemporaryDir> MakeMirrorFolder();
// Removes the folders of windows that were killed, as MakeMirrorFolder()
// does before it makes one.
void RemoveAbandonedMirrorFolders();
