#pragma once

#include <memory>

namespace lw::platform {

// A listening socket on 127.0.0.1 whose accept queue is full and never taken from, so
// that the handshake of a new connection to its port is never answered (where the
// system drops such handshakes, as Linux does; Windows may refuse them at once). For
// testing connect time-outs.
class UnansweredListener {
public:
    UnansweredListener();
    ~UnansweredListener();
    UnansweredListener(const UnansweredListener&) = delete;
    UnansweredListener& operator=(const UnansweredListener&) = delete;

    // 0 when no socket could be made.
    int port() const { return port_; }

private:
    struct Sockets;
    std::unique_ptr<Sockets> sockets_;
    int port_ = 0;
};

} // namespace lw::platform
