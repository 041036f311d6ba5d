// Builds the delivered, encrypted database file from the schema script.
#include "store/database.hpp"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

int main(int argc, char** argv) {
    std::string schema, password, out;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string key = argv[i];
        if (key == "--schema")
            schema = argv[i + 1];
        else if (key == "--password")
            password = argv[i + 1];
        else if (key == "--out")
            out = argv[i + 1];
    }
    if (schema.empty() || password.empty() || out.empty()) {
        std::cerr << "usage: listwright-mkdb --schema FILE --password TEXT --out FILE\n";
        return 2;
    }
    std::ifstream in(schema, std::ios::binary);
    if (!in) {
        std::cerr << "cannot read " << schema << "\n";
        return 1;
    }
    std::ostringstream text;
    text << in.rdbuf();

    std::error_code ec;
    if (std::filesystem::exists(out, ec)) {
        std::cerr << out << " exists already\n";
        return 1;
    }
    std::filesystem::create_directories(std::filesystem::path(out).parent_path(), ec);
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
        std::filesystem::remove(out, ec);
        return 1;
    }
    return 0;
}
