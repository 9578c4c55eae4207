// Events of controls: handlers are called in the order they were added, with the control that
// raised the event. A handler may add or remove handlers, or raise events, while it runs.
#pragma once

#include <functional>
#include <memory>
#include <vector>

namespace dq::forms {

class Control;

struct EventArgs {};

template <typename Args = EventArgs> class Event {
public:
    using Handler = std::function<void(Control& sender, const Args& e)>;

    // Returns a token for Remove.
    int Add(Handler handler) {
        m_handlers.push_back({++m_lastToken, std::make_shared<Handler>(std::move(handler))});
        return m_lastToken;
    }
    void Remove(int token) {
        std::erase_if(m_handlers, [token](const Entry& e) { return e.token == token; });
    }
    Event& operator+=(Handler handler) {
        Add(std::move(handler));
        return *this;
    }
    // Called by the control that owns the event.
    void Raise(Control& sender, const Args& e = Args{}) const {
        std::vector<Entry> handlers = m_handlers;
        for (const Entry& entry : handlers)
            (*entry.handler)(sender, e);
    }

private:
    struct Entry {
        int token;
        std::shared_ptr<Handler> handler;
    };
    std::vector<Entry> m_handlers;
    int m_lastToken = 0;
};

} // namespace dq::forms
