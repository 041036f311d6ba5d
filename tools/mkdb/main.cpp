// Builds the delivered, encrypted database file from the schema script.
#include "platform/platform.hpp"
#include "store/database.hpp"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using lw::platform::toPath;

int main(int argc, char** argv) {
    const std::vector<std::string> args = lw::platform::arguments(argc, argv);
    std::string schema, password, out;
    for (std::size_t i = 1; i + 1 < args.size(); i += 2) {
        const std::string& key = args[i];
        if (key == "--schema")
            schema = args[i + 1];
        else if (key == "--password")
            password = args[i + 1];
        else if (key == "--out")
            out = args[i + 1];
    }
    if (schema.empty() || password.empty() || out.empty()) {
        std::cerr << "usage: listwright-mkdb --schema FILE --password TEXT --out FILE\n";
        return 2;
    }
    std::ifstream in(toPath(schema), std::ios::binary);
    if (!in) {
        std::cerr << "cannot read " << schema << "\n";
        return 1;
    }
    std::ostringstream text;
    text << in.rdbuf();

    std::error_code ec;
    if (fs::exists(toPath(out), ec)) {
        std::cerr << out << " exists already\n";
        return 1;
    }
    fs::create_directories(toPath(out).parent_path(), ec);
    std::string error;
    auto db = lw::Database::create(out, password, error);
    if (!db) {
        std::cerr << error << "\n";
        return 1;
    }
    error = db->execScript("begin;" + text.str() + ";commit;");
    if (!error.empty()) {
        std::cerr << error << "\n";
        db.reset();
        fs::remove(toPath(out), ec);
        return 1;
    }
    return 0;
}
