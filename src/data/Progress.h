#pragma once

#include <QString>

#include <functional>
#include <memory>

namespace qal {

// A progress window as the maintenance work sees it: the logic reports, a window shows.
// Without a window (command-line tools, tests) progress goes nowhere.
class Progress
{
public:
    virtual ~Progress() = default;
    virtual void setProgress(int percent) = 0; // 0..100; the window repaints at once
};

// Opens a progress window titled title ("Ordenamiento de Archivos"); closed when destroyed.
using ProgressFactory = std::function<std::unique_ptr<Progress>(const QString &title, const QString &label)>;

} // namespace qal
