#include "Table.h"

#include <utility>

namespace qal::dbase {

// ---------------------------------------------------------------- notifications

int Table::addListener(Listener listener)
{
    const int id = m_nextListener++;
    m_listeners.emplace(id, std::move(listener));
    return id;
}

void Table::removeListener(int id)
{
    m_listeners.erase(id);
}

void Table::notify(Notification n, const QString &field)
{
    if (m_listeners.empty())
        return;
    auto listeners = m_listeners;
    for (auto &[id, l] : listeners)
        l(*this, n, field);
}

} // namespace qal::dbase
