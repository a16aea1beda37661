#pragma once
// A view sink that applies updates to a plain record instead of widgets: the
// command-line tool prints from it and tests assert on it. Safe to feed from
// the decoder thread while another thread reads.

#include "protocol/ViewUpdate.h"

#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace tmx7 {

class DisplayRecord : public ViewSink {
public:
    void Apply(std::vector<ViewUpdate> updates) override;

    std::string Text(int controlId) const; // "" when never set
    std::vector<std::string> Tabs() const; // captions in order; "一般参数" always first
    std::string Pane(int index) const;
    std::string Received() const;
    int Progress() const;
    bool IsShown(int controlId) const;   // controls start shown
    bool IsEnabled(int controlId) const; // controls start enabled
    bool IsMenuEnabled(int commandId) const;
    std::size_t UpdateCount() const;

private:
    mutable std::mutex m_mutex;
    std::map<int, std::string> m_texts;
    std::map<int, bool> m_shown;
    std::map<int, bool> m_enabled;
    std::map<int, bool> m_menus;
    std::map<int, std::string> m_panes;
    std::vector<std::string> m_tabs{"一般参数"};
    std::string m_received;
    std::uint64_t m_receiveEpoch = 0;
    int m_progress = 0;
    std::size_t m_updates = 0;
};

} // namespace tmx7
