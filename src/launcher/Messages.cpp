// Error messages: string-table texts, formatted and shown through the seam.
#include "launcher/Messages.h"

#include "resources/strings.h"

namespace launcher {

std::string BuiltInText(int id) {
    switch (id) {
    case 202: return TEXT_202;
    case 203: return TEXT_203;
    case 204: return TEXT_204;
    case 205: return TEXT_205;
    case 206: return TEXT_206;
    case 207: return TEXT_207;
    case 208: return TEXT_208;
    case 209: return TEXT_209;
    case 210: return TEXT_210;
    case 211: return TEXT_211;
    case 212: return TEXT_212;
    case 213: return TEXT_213;
    case 214: return TEXT_214;
    case 215: return TEXT_215;
    case 216: return TEXT_216;
    case 217: return TEXT_217;
    case 218: return TEXT_218;
    case 219: return TEXT_219;
    case 220: return TEXT_220;
    case 221: return TEXT_221;
    case 222: return TEXT_222;
    case 223: return TEXT_223;
    case 224: return TEXT_224;
    case 225: return TEXT_225;
    default: return std::string();
    }
}

std::string FormatText(const std::string& format, const std::string& s1, const std::string& s2, int32_t d) {
    std::string out;
    int textArgument = 0;
    for (size_t i = 0; i < format.size(); ++i) {
        const char c = format[i];
        if (c != '%' || i + 1 == format.size()) {
            out += c;
            continue;
        }
        const char conversion = format[++i];
        if (conversion == 's') {
            out += textArgument++ == 0 ? s1 : s2;
        } else if (conversion == 'd') {
            out += std::to_string(d);
        } else {
            out += conversion;  // "%%" and unknown conversions: the character itself
        }
    }
    return out;
}

std::string FormatTexts(const std::string& format, const std::vector<std::string>& texts) {
    std::string out;
    size_t next = 0;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == 's') {
            if (next < texts.size()) out += texts[next];
            ++next;
            ++i;
        } else {
            out += format[i];
        }
    }
    return out;
}

void ShowError(Os& os, WindowHandle owner, int id) { os.ShowError(owner, os.LoadText(id)); }

void ShowFormattedError(Os& os, WindowHandle owner, int id, const std::string& s) {
    os.ShowError(owner, FormatText(os.LoadText(id), s));
}

void ShowFormattedError(Os& os, WindowHandle owner, int id, const std::string& s, int32_t d) {
    os.ShowError(owner, FormatText(os.LoadText(id), s, std::string(), d));
}

}  // namespace launcher
