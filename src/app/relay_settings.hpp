#pragma once

#include "store/config.hpp"
#include "ui/signal.hpp"

#include <memory>
#include <stop_token>
#include <string>
#include <thread>

namespace lw {

class EventLoop;
struct RelayContext;

// What "测试连接" found out, in words.
struct RelayCheck {
    bool answered = false; // the Relay answered and reported no error
    std::string text;
};

// One harmless request to the Relay (the top level of the Taobao category tree, read
// only) that tells in words whether it answered. Blocks; a stop ends it at once.
RelayCheck checkRelay(const RelayContext& app, std::stop_token stop = {});

// The Relay settings dialog ("Relay 设置..."): the four values as typed, which of them
// an environment variable overrides, the warning for a token sent in clear, the
// connection test on a worker thread, and saving into the configuration file.
class RelaySettingsLogic {
public:
    // The keys the dialog edits, in its order.
    static constexpr const char* kKeys[] = {"relay.host", "relay.app_key", "relay.access_token",
                                            "relay.account_code"};

    RelaySettingsLogic(EventLoop& loop, Config config, std::string programFolder);
    ~RelaySettingsLogic();
    RelaySettingsLogic(const RelaySettingsLogic&) = delete;
    RelaySettingsLogic& operator=(const RelaySettingsLogic&) = delete;

    // The short explanation shown above the fields on the first start; empty otherwise.
    std::string explanation;

    // The typed value of a key of kKeys, and its change.
    const std::string& value(const std::string& key) const;
    void setValue(const std::string& key, const std::string& value);
    // "环境变量 LISTWRIGHT_... 的值优先" when an environment variable overrides the key.
    std::string overrideNote(const std::string& key) const;
    // Where the values are saved.
    std::string fileNote() const;
    // The warning for an access token that would cross the network unencrypted; empty
    // when there is none.
    std::string warning() const;

    // "测试连接" with the values that would take effect (typed, or overriding).
    void testConnection();
    bool testing() const { return testing_; }
    const std::string& testResult() const { return testResult_; }

    // Writes the typed values into the configuration file and reads it again; the
    // failure in words, empty on success (config() is then the new configuration).
    std::string save();
    const Config& config() const { return config_; }

    // A value, the warning, the test state or its result changed.
    Signal<> changed;

private:
    std::string& field(const std::string& key);
    Config effectiveConfig() const;

    EventLoop& loop_;
    Config config_;
    std::string programFolder_;
    std::string host_;
    std::string appKey_;
    std::string accessToken_;
    std::string accountCode_;
    bool testing_ = false;
    std::string testResult_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    // Last: stopped and joined first.
    std::jthread worker_;
};

} // namespace lw
