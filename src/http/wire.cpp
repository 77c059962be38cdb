#include "http/wire.h"

namespace pelko {

std::string WireObjectName(const Text& objectName) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : objectName) {
        if (c == '#') break;
        if (c <= 0x20 || c >= 0x7F || c == '"' || c == '<' || c == '>' || c == '\\' || c == '^' || c == '`' ||
            c == '{' || c == '|' || c == '}') {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    if (out.empty() || out[0] != '/') out.insert(out.begin(), '/');
    return out;
}

std::vector<std::string> WireHeaderLines(const Text& block) {
    std::vector<std::string> lines;
    std::string line;
    auto flush = [&] {
        size_t colon = line.find(':');
        if (colon != std::string::npos && line.find_first_not_of(" \t") < colon) lines.push_back(line);
        line.clear();
    };
    for (char c : block) {
        if (c == '\r' || c == '\n') flush();
        else line += c;
    }
    flush();
    return lines;
}

std::string WireAgentName(const Text& agentName) { return agentName.substr(0, agentName.find_first_of("\r\n")); }

int WirePort(int port, bool secure) {
    if (port > 0 && port <= 65535) return port;
    return secure ? 443 : 80;
}

}  // namespace pelko
