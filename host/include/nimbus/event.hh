#pragma once
#include <memory>
#include <mutex>
#include <string>

#include <boost/signals2/connection.hpp>
#include <boost/signals2/signal.hpp>
#include <boost/unordered_map.hpp>

#include "nimbus/output.hh"
#include "quarry/export.hh"

namespace nimbus::event {

/// Hands fired packets to the listeners of their channel, synchronously.
class QUARRY_EXPORT transmitter {
public:
    using listener = boost::signals2::signal<void(const std::string&, output::packet*)>::slot_type;

    /// Listens on a channel until the connection is closed.
    boost::signals2::connection connect(const std::string& channel, const listener& fn);
    /// Delivers the packet to the channel's listeners; without listeners nothing happens.
    void fire(const std::string& channel, output::packet* p);
    bool has_listeners(const std::string& channel) const;

private:
    using signal_type = boost::signals2::signal<void(const std::string&, output::packet*)>;
    boost::unordered_map<std::string, std::unique_ptr<signal_type>> channels_;
    /// Guards the channel map; parses may run on several threads.
    mutable std::mutex mutex_;
};

QUARRY_EXPORT transmitter& nsTransmitter();

}  // namespace nimbus::event
