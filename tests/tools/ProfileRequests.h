// Requests shared by the profile probes: what to read or write, and how results are printed.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

// A probe is run as
//   probe INI-FILE REQUEST...
// where each REQUEST is either
//   get SECTION KEY          names given as plain text
//   set SECTION KEY VALUE
//   file PATH                the following requests are about this file
//   @REQUEST-FILE            a file of such requests, one a line, every
//                            operand hex-encoded ("-" for the empty text), so
//                            that any byte can be asked for
// Each get prints the value as hex ("-" when empty) on its own line; each set
// prints "set ok" or "set failed"; file prints nothing. Requests run in order.
namespace profile_probe {

struct Request {
    enum Kind { Get, Set, File } kind = Get;
    std::string file;  // for File
    std::string section;
    std::string key;
    std::string value;
};

inline int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

inline bool FromHex(const std::string& hex, std::string& bytes) {
    bytes.clear();
    if (hex == "-") return true;
    if (hex.size() % 2 != 0) return false;
    for (size_t i = 0; i < hex.size(); i += 2) {
        const int high = HexDigit(hex[i]);
        const int low = HexDigit(hex[i + 1]);
        if (high < 0 || low < 0) return false;
        bytes.push_back(static_cast<char>(high * 16 + low));
    }
    return true;
}

inline std::string ToHex(const std::string& bytes) {
    if (bytes.empty()) return "-";
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (unsigned char c : bytes) {
        hex.push_back(digits[c >> 4]);
        hex.push_back(digits[c & 15]);
    }
    return hex;
}

inline bool ReadWholeFile(const std::string& path, std::string& contents) {
    contents.clear();
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    char chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) contents.append(chunk, got);
    std::fclose(file);
    return true;
}

// One request file's lines; false on a malformed line.
inline bool ParseRequestFile(const std::string& text, std::vector<Request>& requests) {
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::vector<std::string> words;
        size_t pos = 0;
        while (pos < line.size()) {
            while (pos < line.size() && line[pos] == ' ') ++pos;
            if (pos >= line.size()) break;
            const size_t wordEnd = line.find(' ', pos);
            words.push_back(line.substr(pos, wordEnd == std::string::npos ? std::string::npos : wordEnd - pos));
            pos = wordEnd == std::string::npos ? line.size() : wordEnd;
        }
        if (words.empty()) continue;
        Request request;
        if (words[0] == "file") {
            request.kind = Request::File;
            if (words.size() != 2 || !FromHex(words[1], request.file)) return false;
            requests.push_back(request);
            continue;
        }
        if (words[0] != "get" && words[0] != "set") return false;
        request.kind = words[0] == "set" ? Request::Set : Request::Get;
        if (words.size() != (request.kind == Request::Set ? 4u : 3u)) return false;
        if (!FromHex(words[1], request.section) || !FromHex(words[2], request.key)) return false;
        if (request.kind == Request::Set && !FromHex(words[3], request.value)) return false;
        requests.push_back(request);
    }
    return true;
}

// The requests of a command line after the INI file; false (with a message
// on standard error) when they cannot be understood.
inline bool ParseArguments(int argc, char** argv, int first, std::vector<Request>& requests) {
    for (int i = first; i < argc;) {
        const std::string word = argv[i];
        if (!word.empty() && word[0] == '@') {
            std::string text;
            if (!ReadWholeFile(word.substr(1), text)) {
                std::fprintf(stderr, "cannot read %s\n", word.c_str() + 1);
                return false;
            }
            if (!ParseRequestFile(text, requests)) {
                std::fprintf(stderr, "malformed request in %s\n", word.c_str() + 1);
                return false;
            }
            ++i;
            continue;
        }
        Request request;
        request.kind = word == "set" ? Request::Set : word == "file" ? Request::File : Request::Get;
        const int operands = request.kind == Request::Set ? 3 : request.kind == Request::File ? 1 : 2;
        if ((word != "get" && word != "set" && word != "file") || argc - i - 1 < operands) {
            std::fprintf(stderr, "expected get SECTION KEY, set SECTION KEY VALUE, file PATH or @FILE at '%s'\n",
                         word.c_str());
            return false;
        }
        if (request.kind == Request::File) {
            request.file = argv[i + 1];
        } else {
            request.section = argv[i + 1];
            request.key = argv[i + 2];
            if (request.kind == Request::Set) request.value = argv[i + 3];
        }
        requests.push_back(request);
        i += operands + 1;
    }
    return true;
}

}  // namespace profile_probe
