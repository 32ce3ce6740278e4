#pragma once

#include <QUrl>

#include <functional>

namespace qal {

// Opens a web address in the system's browser; false when no browser could be started.
bool AbrirEnNavegador(const QUrl &url);

// How addresses are opened: by default QDesktopServices. Tests install their own; returns
// the previous one (an empty function restores the default).
using AbridorNavegador = std::function<bool(const QUrl &url)>;
AbridorNavegador InstalarNavegador(AbridorNavegador abridor);

} // namespace qal
