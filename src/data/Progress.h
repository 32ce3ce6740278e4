#pragma once

#include <QString>

#include <algorithm>
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

// A share of the work shown in a window, repainted only when the percentage moves: a
// table rewritten in a thousand pieces repaints at most a hundred times.
class ProgressShare
{
public:
    explicit ProgressShare(Progress *window) : m_window(window) {}
    // done of total units of work
    void show(qint64 done, qint64 total)
    {
        const int percent = total > 0 ? int(std::clamp<qint64>(done * 100 / total, 0, 100)) : 100;
        if (!m_window || percent == m_shown)
            return;
        m_shown = percent;
        m_window->setProgress(percent);
    }

private:
    Progress *m_window;
    int m_shown = -1;
};

// Opens a progress window titled title ("Ordenamiento de Archivos"); closed when destroyed.
using ProgressFactory = std::function<std::unique_ptr<Progress>(const QString &title, const QString &label)>;

} // namespace qal
