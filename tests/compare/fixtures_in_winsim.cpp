// Loads a fixture file into the simulated world. Lines:
//   file NAME HEX            the file T:\NAME with these bytes
//   value REGPATH TYPE HEX   value "Version" of HKLM\Software\REGPATH, of that type
//   mapping NAME TEXT        every ini file named NAME mapped to the registry (IniFileMapping) as
//                            TEXT says
#include "fixtures.h"

#include <winsim.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string FromHex(const std::string &hex) {
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    }
    return bytes; // "-" stands for no bytes
}

} // namespace

void UseCodePage(unsigned codePage) {
    winsim::SetCodePage(codePage);
}

void PrepareWorld(const char *fixturesPath) {
    winsim::Reset();
    std::ifstream fixtures(fixturesPath);
    std::string line;
    while (std::getline(fixtures, line)) {
        std::istringstream words(line);
        std::string kind, name, hex;
        words >> kind >> name;
        if (kind == "file") {
            words >> hex;
            winsim::AddFile("T:\\" + name, FromHex(hex));
        } else if (kind == "value") {
            DWORD type = 0;
            words >> type >> hex;
            winsim::SetValue("Software\\" + name, "Version", type, FromHex(hex));
        } else if (kind == "mapping") {
            std::string text;
            words >> text;
            winsim::SetTextValue(
                "Software\\Microsoft\\Windows NT\\CurrentVersion\\IniFileMapping\\" + name, "",
                text);
        }
    }
}
