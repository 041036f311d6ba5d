#pragma once

#include <string>
#include <utility>
#include <vector>

namespace lw {

// One value of the configuration file: "section.key" and its text.
using ConfigValue = std::pair<std::string, std::string>;

// INI text with the values set: a key already there gets its new value on its own line
// (the comment after it kept), a missing key goes after its section's last key, a
// missing section at the end. Comments, blank lines, other keys and the line ends stay.
std::string setIniValues(const std::string& text, const std::vector<ConfigValue>& values);

// Writes the values into the configuration file at path (made, with its folder, when
// missing), readable by the user alone. Returns the failure in words, empty on success.
std::string writeConfigValues(const std::string& path, const std::vector<ConfigValue>& values);

// The environment variable that overrides a key ("relay.host" -> LISTWRIGHT_RELAY_HOST).
std::string environmentNameOf(const std::string& key);

// The Relay's base address for a configured host: "https://host" stays (TLS), a plain
// "host[:port]" (or "http://host") is reached over "http://"; no trailing "/".
std::string relayBaseAddress(const std::string& host);

// The host part of a configured host, without scheme, port or path.
std::string relayHostName(const std::string& host);

// The access token would cross the network in clear: the Relay is not reached over
// TLS and is not this machine.
bool tokenTravelsInClear(const std::string& host);

} // namespace lw
