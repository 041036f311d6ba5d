#include "platform/unanswered_listener.hpp"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace lw::platform {

struct UnansweredListener::Sockets {
    int listener = -1;
    std::vector<int> clients;
    ~Sockets() {
        for (int c : clients)
            ::close(c);
        if (listener >= 0)
            ::close(listener);
    }
};

UnansweredListener::UnansweredListener() : sockets_(std::make_unique<Sockets>()) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    int s = ::socket(AF_INET, SOCK_STREAM, 0);
    if (s < 0)
        return;
    sockets_->listener = s;
    socklen_t length = sizeof address;
    if (::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(s, 0) != 0 ||
        ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return;
    // A backlog of 0 still holds a connection or two: these fill it, without waiting.
    for (int i = 0; i < 3; ++i) {
        int c = ::socket(AF_INET, SOCK_STREAM, 0);
        if (c < 0)
            break;
        ::fcntl(c, F_SETFL, ::fcntl(c, F_GETFL, 0) | O_NONBLOCK);
        ::connect(c, reinterpret_cast<sockaddr*>(&address), sizeof address);
        sockets_->clients.push_back(c);
    }
    port_ = ntohs(address.sin_port);
}

UnansweredListener::~UnansweredListener() = default;

} // namespace lw::platform
