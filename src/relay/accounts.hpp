#pragma once

#include "relay/relay_store.hpp"

#include <optional>
#include <string>
#include <vector>

namespace lw::relay {

// What a new account's shop keepers type into the program's Relay settings. Shown once:
// only hashes of the App Key and the Access Token are kept.
struct NewAccount {
    std::string name;
    std::string appKey;
    std::string accessToken;
    std::string accountCode;
};

struct AddAccountResult {
    std::optional<NewAccount> account;
    std::string error; // in words, when the account was not made
};

enum class AccountCheck {
    Accepted,
    UnknownAccount, // no account with that App Key and 账户代码
    WrongToken,     // the account is known but the Access Token is not its own
};

struct AccountSummary {
    std::string name;
    std::string code;
    std::string created;
};

// Who may use this Relay.
class Accounts {
public:
    explicit Accounts(RelayStore& store) : store_(store) {}

    AddAccountResult add(const std::string& name);
    std::vector<AccountSummary> list();
    bool remove(const std::string& name);

    // The App Key and 账户代码 of a request, and its Access Token when the request must
    // carry one (nullptr: not asked). Secrets are compared through their hashes in
    // constant time. On success name receives the account's name.
    AccountCheck check(const std::string& appKey, const std::string& accountCode,
                       const std::string* accessToken, std::string& name);

private:
    RelayStore& store_;
};

// Salted SHA-256 of a secret, in hex.
std::string secretHash(const std::string& salt, const std::string& secret);
// count random bytes from the system's generator, in lower-case hex.
std::string randomHex(int count);
// A name an operator may give an account: 1 to 64 bytes of UTF-8 text without blanks,
// control characters or "/".
bool isValidAccountName(const std::string& name);

} // namespace lw::relay
