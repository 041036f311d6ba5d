#include "relay/accounts.hpp"

#include "relay/relay_log.hpp"
#include "relay/top_signature.hpp"
#include "store/text_routines.hpp"
#include "util/codec.hpp"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <stdexcept>

namespace lw::relay {
namespace {

// Letters and digits that cannot be mistaken for each other when typed.
constexpr const char kCodeAlphabet[] = "23456789abcdefghjkmnpqrstuvwxyz";
constexpr int kCodeLength = 10;

std::string randomBytes(int count) {
    std::string bytes(static_cast<std::size_t>(count), '\0');
    if (RAND_bytes(reinterpret_cast<unsigned char*>(bytes.data()), count) != 1)
        throw std::runtime_error("the system's random generator failed");
    return bytes;
}

std::string accountCode() {
    std::string bytes = randomBytes(kCodeLength);
    std::string code;
    for (unsigned char b : bytes)
        code += kCodeAlphabet[b % (sizeof kCodeAlphabet - 1)];
    return code;
}

bool sameHash(const std::string& a, const std::string& b) {
    return a.size() == b.size() && CRYPTO_memcmp(a.data(), b.data(), a.size()) == 0;
}

} // namespace

std::string randomHex(int count) {
    return lowerAscii(upperHex(randomBytes(count)));
}

std::string secretHash(const std::string& salt, const std::string& secret) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    std::string input = salt + secret;
    EVP_Digest(input.data(), input.size(), digest, &length, EVP_sha256(), nullptr);
    return lowerAscii(upperHex(std::string_view(reinterpret_cast<const char*>(digest), length)));
}

bool isValidAccountName(const std::string& name) {
    if (name.empty() || name.size() > 64 || !isValidUtf8(name))
        return false;
    for (unsigned char c : name)
        if (c <= 0x20 || c == 0x7F || c == '/' || c == '\\')
            return false;
    return true;
}

AddAccountResult Accounts::add(const std::string& name) {
    AddAccountResult result;
    if (!isValidAccountName(name)) {
        result.error = "账户名 \"" + name + "\" 不可用：要 1 到 64 字节，不含空格、控制字符和 /";
        return result;
    }
    for (const AccountRecord& existing : store_.accounts()) {
        if (existing.name == name) {
            result.error = "账户 " + name + " 已经存在";
            return result;
        }
    }
    NewAccount account{name, randomHex(20), randomHex(32), {}};
    AccountRecord record;
    record.name = name;
    record.keySalt = randomHex(16);
    record.keyHash = secretHash(record.keySalt, account.appKey);
    record.tokenSalt = randomHex(16);
    record.tokenHash = secretHash(record.tokenSalt, account.accessToken);
    record.created = logTimeText();
    // A code another account has already is drawn again.
    for (int attempt = 0; attempt < 5; ++attempt) {
        record.code = accountCode();
        if (store_.addAccount(record)) {
            account.accountCode = record.code;
            result.account = account;
            return result;
        }
    }
    result.error = "无法保存账户 " + name;
    return result;
}

std::vector<AccountSummary> Accounts::list() {
    std::vector<AccountSummary> all;
    for (const AccountRecord& a : store_.accounts())
        all.push_back({a.name, a.code, a.created});
    return all;
}

bool Accounts::remove(const std::string& name) {
    return store_.removeAccount(name);
}

AccountCheck Accounts::check(const std::string& appKey, const std::string& accountCode,
                             const std::string* accessToken, std::string& name) {
    std::optional<AccountRecord> account;
    if (!accountCode.empty() && accountCode.size() <= 64)
        account = store_.accountByCode(accountCode);
    // An unknown code costs the same hash as a known one.
    const std::string keySalt = account ? account->keySalt : std::string(32, '0');
    const bool keyMatches =
        sameHash(secretHash(keySalt, appKey), account ? account->keyHash : std::string());
    if (!account || !keyMatches || appKey.empty())
        return AccountCheck::UnknownAccount;
    name = account->name;
    if (accessToken &&
        (accessToken->empty() ||
         !sameHash(secretHash(account->tokenSalt, *accessToken), account->tokenHash)))
        return AccountCheck::WrongToken;
    return AccountCheck::Accepted;
}

} // namespace lw::relay
