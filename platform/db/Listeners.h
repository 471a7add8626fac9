#pragma once

#include "platform/db/CursorListener.h"

#include <algorithm>
#include <vector>

namespace db {

// The controls and data sources that hear a cursor's or a data source's changes, and the one way they are told.
class Listeners {
public:
    void add(CursorListener* listener) { m_listeners.push_back(listener); }
    void remove(CursorListener* listener) {
        m_listeners.erase(std::remove(m_listeners.begin(), m_listeners.end(), listener), m_listeners.end());
    }

    // Tells every listener, in the order they came. A listener may add or remove listeners while it is told:
    // one added hears from the next event on, one removed is not told any more (it may be gone already).
    template <class... Parameters, class... Arguments>
    void notify(void (CursorListener::*event)(Parameters...), const Arguments&... arguments) const {
        const std::vector<CursorListener*> told = m_listeners;
        for (CursorListener* listener : told)
            if (std::find(m_listeners.begin(), m_listeners.end(), listener) != m_listeners.end())
                (listener->*event)(arguments...);
    }

private:
    std::vector<CursorListener*> m_listeners;
};

} // namespace db
