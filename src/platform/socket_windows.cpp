#include "platform/unanswered_listener.hpp"

// winsock2.h before anything that may bring in windows.h.
// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
// clang-format on

#include <vector>

namespace lw::platform {

struct UnansweredListener::Sockets {
    bool started = false;
    SOCKET listener = INVALID_SOCKET;
    std::vector<SOCKET> clients;
    ~Sockets() {
        for (SOCKET c : clients)
            ::closesocket(c);
        if (listener != INVALID_SOCKET)
            ::closesocket(listener);
        if (started)
            ::WSACleanup();
    }
};

UnansweredListener::UnansweredListener() : sockets_(std::make_unique<Sockets>()) {
    WSADATA data;
    if (::WSAStartup(MAKEWORD(2, 2), &data) != 0)
        return;
    sockets_->started = true;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET)
        return;
    sockets_->listener = s;
    int length = sizeof address;
    if (::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(s, 1) != 0 ||
        ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return;
    for (int i = 0; i < 3; ++i) {
        SOCKET c = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (c == INVALID_SOCKET)
            break;
        u_long nonBlocking = 1;
        ::ioctlsocket(c, FIONBIO, &nonBlocking);
        ::connect(c, reinterpret_cast<sockaddr*>(&address), sizeof address);
        sockets_->clients.push_back(c);
    }
    port_ = ntohs(address.sin_port);
}

UnansweredListener::~UnansweredListener() = default;

} // namespace lw::platform
