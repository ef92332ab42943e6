#include "cli/CliJson.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "base/Format.h"

namespace {
CliReport* gCurrent = nullptr;

// Length of the UTF-8 sequence starting at text[i], or 0 when it is not a well-formed one.
size_t Utf8Length(const std::string& text, size_t i) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char c = byte(i);
    size_t n;
    uint32_t cp;
    if (c < 0x80) return 1;
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
        cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        cp = c & 0x07;
    } else {
        return 0;
    }
    if (i + n > text.size()) return 0;
    for (size_t k = 1; k < n; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (byte(i + k) & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
    if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return n;
}
}  // namespace

std::string JsonObject::Quote(const std::string& text) {
    std::string out = "\"";
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const size_t n = Utf8Length(text, i);
        if (n == 0) {
            out += "\\ufffd";
            ++i;
            continue;
        }
        if (n > 1) {
            out.append(text, i, n);
            i += n;
            continue;
        }
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    char esc[8];
                    std::snprintf(esc, sizeof esc, "\\u%04x", c);
                    out += esc;
                } else {
                    out += static_cast<char>(c);
                }
        }
        ++i;
    }
    return out + "\"";
}

JsonObject& JsonObject::Raw(const std::string& key, const std::string& json) {
    if (!body_.empty()) body_ += ',';
    body_ += Quote(key);
    body_ += ':';
    body_ += json;
    return *this;
}

JsonObject& JsonObject::Str(const std::string& key, const std::string& value) {
    return Raw(key, Quote(value));
}

JsonObject& JsonObject::Num(const std::string& key, uint64_t value) {
    return Raw(key, std::to_string(value));
}

JsonObject& JsonObject::Int(const std::string& key, int64_t value) { return Raw(key, std::to_string(value)); }

JsonObject& JsonObject::Real(const std::string& key, double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return Raw(key, text);
}

JsonObject& JsonObject::Bool(const std::string& key, bool value) {
    return Raw(key, value ? "true" : "false");
}

JsonObject& JsonObject::Null(const std::string& key) { return Raw(key, "null"); }

JsonObject& JsonObject::Obj(const std::string& key, const JsonObject& value) {
    return Raw(key, value.Text());
}

JsonObject& JsonObject::Arr(const std::string& key, const std::vector<JsonObject>& values) {
    std::string list = "[";
    for (size_t i = 0; i < values.size(); ++i) {
        if (i) list += ',';
        list += values[i].Text();
    }
    list += ']';
    return Raw(key, list);
}

JsonObject& JsonObject::StrArr(const std::string& key, const std::vector<std::string>& values) {
    std::string list = "[";
    for (size_t i = 0; i < values.size(); ++i) {
        if (i) list += ',';
        list += Quote(values[i]);
    }
    list += ']';
    return Raw(key, list);
}

CliReport::CliReport(const char* command, int argc, char** argv) : command_(command), previous_(gCurrent) {
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--")) break;
        if (!std::strcmp(argv[i], "--json")) json_ = true;
    }
    gCurrent = this;
}

CliReport::~CliReport() {
    gCurrent = previous_;
    if (!json_) return;
    JsonObject out;
    out.Str("command", command_);
    out.Int("exit", exit_);
    if (!help_.empty()) {
        out.Str("help", help_);
    } else if (!usage_.empty()) {
        out.Str("usage_error", usage_);
    } else {
        out.Num("result", code_);
        out.Str("result_hex", Hex4(code_));
        out.Str("message", message_);
    }
    out.Arr("warnings", warnings_);
    // The command's own fields go between the common ones and the warnings.
    std::string text = "{";
    text += out.body_.substr(0, out.body_.rfind(",\"warnings\":"));
    if (!fields_.Empty()) {
        text += ',';
        text += fields_.body_;
    }
    text += out.body_.substr(out.body_.rfind(",\"warnings\":"));
    text += '}';
    std::fprintf(stdout, "%s\n", text.c_str());
    std::fflush(stdout);
}

void CliReport::Warn(const std::string& kind, const std::string& text, const JsonObject& details) {
    JsonObject w;
    w.Str("kind", kind).Str("text", text);
    if (!details.Empty()) w.Obj("details", details);
    warnings_.push_back(w);
}

void CliReport::Result(uint32_t code, const std::string& message) {
    hasResult_ = true;
    code_ = code;
    message_ = message;
    exit_ = code ? 1 : 0;
}

void CliReport::Usage(const std::string& problem) {
    usage_ = problem.empty() ? "usage error" : problem;
    exit_ = 2;
}

void CliReport::Help(const std::string& text) {
    help_ = text;
    exit_ = 0;
}

CliReport* CliReport::Current() { return gCurrent; }

void Say(const char* format, ...) {
    if (gCurrent && gCurrent->Json()) return;
    va_list args;
    va_start(args, format);
    std::vfprintf(stdout, format, args);
    va_end(args);
}

void Warning(const std::string& kind, const std::string& text, const JsonObject& details) {
    std::fprintf(stderr, "warning: %s\n", text.c_str());
    if (gCurrent) gCurrent->Warn(kind, text, details);
}

std::string Hex8(uint32_t value) { return hxw::Format("%08X", static_cast<unsigned>(value)); }

std::string Hex4(uint32_t value) { return hxw::Format("%04X", static_cast<unsigned>(value)); }
