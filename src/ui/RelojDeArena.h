#pragma once

#include <QApplication>

namespace qal {

// The hourglass cursor for as long as it lives: restored however the scope ends.
struct RelojDeArena
{
    RelojDeArena() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~RelojDeArena() { QApplication::restoreOverrideCursor(); }
    RelojDeArena(const RelojDeArena &) = delete;
    RelojDeArena &operator=(const RelojDeArena &) = delete;
};

} // namespace qal
