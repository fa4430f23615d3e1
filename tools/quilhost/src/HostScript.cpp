#include "quilhost/HostScript.h"

#include <charconv>
#include <chrono>
#include <initializer_list>
#include <string_view>
#include <thread>

#include "TextFormat.h"
#include "quilhost/HostCode.h"

namespace quilhost {

namespace {

constexpr int kDefaultWaitMs = 10000;
constexpr int kMaxWaitMs = 600000;

struct Token {
    enum Kind { Word, Quoted, Bar } kind;
    std::string text;
};

bool Tokenize(std::string_view line, std::vector<Token>& out, std::string& error) {
    std::size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r') {
            ++i;
        } else if (c == '#') {
            break;
        } else if (c == '|') {
            out.push_back({Token::Bar, "|"});
            ++i;
        } else if (c == '"') {
            const std::size_t end = line.find('"', i + 1);
            if (end == std::string_view::npos) {
                error = "unterminated quoted text";
                return false;
            }
            out.push_back({Token::Quoted, std::string(line.substr(i + 1, end - i - 1))});
            i = end + 1;
        } else {
            std::size_t end = i;
            while (end < line.size() && line[end] != ' ' && line[end] != '\t' &&
                   line[end] != '\r' && line[end] != '"' && line[end] != '|')
                ++end;
            out.push_back({Token::Word, std::string(line.substr(i, end - i))});
            i = end;
        }
    }
    return true;
}

std::optional<int> Number(std::string_view text) {
    int value = 0;
    const auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || p != text.data() + text.size() || value < 0) return std::nullopt;
    return value;
}

std::optional<std::uint8_t> HexByte(std::string_view text) {
    if (text.size() != 2) return std::nullopt;
    unsigned value = 0;
    const auto [p, ec] = std::from_chars(text.data(), text.data() + 2, value, 16);
    if (ec != std::errc() || p != text.data() + 2) return std::nullopt;
    return static_cast<std::uint8_t>(value);
}

// Message tokens into segments.
bool Message(const std::vector<Token>& tokens, std::size_t from,
             std::vector<std::vector<std::uint8_t>>& segments, std::string& error) {
    segments.assign(1, {});
    for (std::size_t i = from; i < tokens.size(); ++i) {
        const Token& t = tokens[i];
        if (t.kind == Token::Bar) {
            segments.emplace_back();
        } else if (t.kind == Token::Quoted) {
            const auto host = ToHostCode(t.text);
            if (!host) {
                error = "text \"" + t.text + "\" has a character without a host code";
                return false;
            }
            segments.back().insert(segments.back().end(), host->begin(), host->end());
        } else if (const auto b = HexByte(t.text)) {
            segments.back().push_back(*b);
        } else {
            error = "\"" + t.text + "\" is neither quoted text nor a hex byte";
            return false;
        }
    }
    for (const auto& s : segments)
        if (s.empty()) {
            error = "empty message or segment";
            return false;
        }
    return true;
}

bool NeedWords(const ScriptCommand& c, std::size_t min, std::size_t max, std::string& error) {
    if (c.words.size() < min || c.words.size() > max) {
        error = "wrong number of arguments for " + c.verb;
        return false;
    }
    return true;
}

}  // namespace

std::optional<ScriptCommand> HostScript::ParseLine(std::string_view line, int number,
                                                   std::string& error) {
    std::vector<Token> tokens;
    error.clear();
    if (!Tokenize(line, tokens, error)) return std::nullopt;
    if (tokens.empty()) return std::nullopt;
    if (tokens[0].kind != Token::Word) {
        error = "a line starts with a command";
        return std::nullopt;
    }
    ScriptCommand c;
    c.verb = tokens[0].text;
    c.line = number;
    const bool isMessage =
        c.verb == "send" || c.verb == "reply" || c.verb == "print" || c.verb == "greet";
    if (isMessage) {
        // The session (not for greet), then key=value words, then the message.
        std::size_t next = 1;
        if (c.verb != "greet") {
            if (tokens.size() < 2 || tokens[1].kind != Token::Word) {
                error = c.verb + " needs a session and a message";
                return std::nullopt;
            }
            c.words.push_back(tokens[next++].text);
        }
        const bool takesType = c.verb == "send" || c.verb == "greet";
        while (takesType && next < tokens.size() && tokens[next].kind == Token::Word &&
               tokens[next].text.find('=') != std::string::npos)
            c.words.push_back(tokens[next++].text);
        if (next >= tokens.size()) {
            error = c.verb + " needs a message";
            return std::nullopt;
        }
        if (!Message(tokens, next, c.message, error)) return std::nullopt;
        if (c.verb == "print" && c.message.size() != 1) {
            error = "a print-address request is one record";
            return std::nullopt;
        }
    } else if (c.verb == "raw") {
        if (tokens.size() < 3) {
            error = "raw needs a connection and bytes";
            return std::nullopt;
        }
        c.words.push_back(tokens[1].text);
        for (std::size_t i = 2; i < tokens.size(); ++i) {
            const auto b = HexByte(tokens[i].text);
            if (!b || tokens[i].kind != Token::Word) {
                error = "raw takes hex bytes only";
                return std::nullopt;
            }
            if (c.message.empty()) c.message.emplace_back();
            c.message.back().push_back(*b);
        }
    } else {
        for (std::size_t i = 1; i < tokens.size(); ++i) {
            if (tokens[i].kind == Token::Quoted && c.text.empty() &&
                (c.verb == "error" || c.verb == "refuse")) {
                c.text = tokens[i].text;
            } else if (tokens[i].kind == Token::Word) {
                c.words.push_back(tokens[i].text);
            } else {
                error = "unexpected \"" + tokens[i].text + "\"";
                return std::nullopt;
            }
        }
    }
    static const char* const kVerbs[] = {"send",   "reply",     "print", "notify", "error",
                                         "refuse", "terminate", "close", "raw",    "silent",
                                         "delay",  "wait",      "sleep", "greet",  "keepalive"};
    bool known = false;
    for (const char* v : kVerbs) known = known || c.verb == v;
    if (!known) {
        error = "unknown command " + c.verb;
        return std::nullopt;
    }
    return c;
}

bool HostScript::Parse(std::string_view text, std::string& error) {
    m_commands.clear();
    int number = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        ++number;
        std::string lineError;
        auto c = ParseLine(line, number, lineError);
        if (!lineError.empty()) {
            error = Format("line %d: ", number) + lineError;
            return false;
        }
        if (c) m_commands.push_back(std::move(*c));
    }
    return true;
}

bool HostScript::Run(QuilHost& host, std::string& error) const {
    for (const auto& c : m_commands)
        if (!Run(c, host, error)) return false;
    return true;
}

bool HostScript::Run(const ScriptCommand& c, QuilHost& host, std::string& error) {
    auto fail = [&](const std::string& why) {
        error = Format("line %d: ", c.line) + why;
        return false;
    };
    auto num = [&](std::size_t i) {
        return i < c.words.size() ? Number(c.words[i]) : std::nullopt;
    };
    // Options written key=value among the words.
    auto keyed = [&](std::string_view key, int fallback) -> std::optional<int> {
        for (const auto& w : c.words)
            if (w.size() > key.size() + 1 && w.compare(0, key.size(), key) == 0 &&
                w[key.size()] == '=')
                return Number(std::string_view(w).substr(key.size() + 1));
        return fallback;
    };
    std::string why;

    // The message type among the words (type=<n>, 0-255), or the fallback.
    auto messageType = [&](int fallback) -> std::optional<std::uint8_t> {
        const auto type = keyed("type", fallback);
        if (!type || *type > 255) return std::nullopt;
        return static_cast<std::uint8_t>(*type);
    };
    // Words other than the session and the key=value words given.
    auto onlyKeys = [&](std::size_t from, std::initializer_list<std::string_view> keys) {
        for (std::size_t i = from; i < c.words.size(); ++i) {
            const std::string_view w = c.words[i];
            bool known = false;
            for (auto k : keys)
                known = known || (w.size() > k.size() && w.substr(0, k.size()) == k);
            if (!known) return false;
        }
        return true;
    };

    if (c.verb == "greet") {
        const auto type = messageType(0);
        if (!type || !onlyKeys(0, {"type="})) return fail("greet [type=<n>] <message>");
        if (c.message.size() != 1) return fail("a begin is answered with one record");
        host.AnswerNextBegin(*type, c.message[0], true);
        return true;
    }
    if (c.verb == "send" || c.verb == "reply" || c.verb == "print") {
        const auto s = num(0);
        if (!s) return fail("bad session number");
        if (c.verb == "reply") {
            host.QueueReply(*s, c.message);
            return true;
        }
        const auto type = messageType(0);
        if (!type || !onlyKeys(1, {"type="})) return fail("bad message type");
        const bool ok = c.verb == "print" ? host.SendPrintAddress(*s, c.message[0])
                                          : host.SendSegments(*s, c.message, *type);
        return ok || fail(Format("session %d cannot be reached", *s));
    }
    if (c.verb == "keepalive") {
        if (!NeedWords(c, 1, 1, why)) return fail(why);
        const auto s = num(0);
        if (!s) return fail("bad session number");
        return host.SendKeepAlive(*s) || fail(Format("session %d cannot be reached", *s));
    }
    if (c.verb == "notify") {
        if (!NeedWords(c, 4, 4, why)) return fail(why);
        const auto s = num(0);
        if (!s) return fail("bad session number");
        return host.SendNotification(*s, c.words[1], c.words[2], c.words[3]) ||
               fail("notification not sent");
    }
    if (c.verb == "error") {
        if (!NeedWords(c, 2, 4, why)) return fail(why);
        const auto s = num(0);
        const auto type = keyed("type", 4);
        const auto kind = keyed("kind", -1);
        if (!s || !type || !kind || (*type != 4 && *type != 5)) return fail("bad error arguments");
        return host.SendSessionError(*s, c.words[1], c.text, static_cast<std::uint8_t>(*type),
                                     *kind) ||
               fail("session error not sent");
    }
    if (c.verb == "refuse") {
        if (!NeedWords(c, 1, 3, why)) return fail(why);
        const auto type = keyed("type", 4);
        if (!type || (*type != 4 && *type != 5)) return fail("bad type");
        bool keep = false;
        for (std::size_t i = 1; i < c.words.size(); ++i) {
            if (c.words[i] == "keep")
                keep = true;
            else if (c.words[i].rfind("type=", 0) != 0)
                return fail("refuse <code> [type=4|5] [keep] [\"text\"]");
        }
        host.RefuseNextBegin(c.words[0], c.text, static_cast<std::uint8_t>(*type), keep);
        return true;
    }
    if (c.verb == "terminate") {
        if (!NeedWords(c, 1, 1, why)) return fail(why);
        const auto s = num(0);
        return (s && host.TerminateSession(*s)) || fail("no such session");
    }
    if (c.verb == "close") {
        if (!NeedWords(c, 1, 2, why)) return fail(why);
        const auto n = num(0);
        const bool reset = c.words.size() == 2 && c.words[1] == "reset";
        if (!n || (c.words.size() == 2 && !reset)) return fail("close <connection> [reset]");
        return host.CloseConnection(*n, reset) || fail("no such connection");
    }
    if (c.verb == "raw") {
        const auto n = num(0);
        return (n && host.SendRaw(*n, c.message[0])) || fail("raw bytes not sent");
    }
    if (c.verb == "silent") {
        if (!NeedWords(c, 1, 1, why) || (c.words[0] != "on" && c.words[0] != "off"))
            return fail("silent on|off");
        host.SetSilent(c.words[0] == "on");
        return true;
    }
    if (c.verb == "delay" || c.verb == "sleep") {
        if (!NeedWords(c, 1, 1, why)) return fail(why);
        const auto ms = num(0);
        if (!ms || *ms > kMaxWaitMs) return fail("bad milliseconds");
        if (c.verb == "delay")
            host.SetDelay(*ms);
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(*ms));
        return true;
    }
    if (c.verb == "wait") {
        if (!NeedWords(c, 2, 3, why)) return fail(why);
        const auto n = num(1);
        const auto ms = c.words.size() == 3 ? num(2) : std::optional<int>(kDefaultWaitMs);
        if (!n || !ms || *ms > kMaxWaitMs) return fail("bad wait arguments");
        bool ok = false;
        if (c.words[0] == "session")
            ok = host.WaitForSession(*n, *ms);
        else if (c.words[0] == "received")
            ok = host.WaitForReceived(static_cast<std::size_t>(*n), *ms);
        else if (c.words[0] == "acks")
            ok = host.WaitForAcknowledgements(static_cast<std::size_t>(*n), *ms);
        else if (c.words[0] == "closed")
            ok = host.WaitForClosed(*n, *ms);
        else
            return fail("wait session|received|acks|closed");
        return ok || fail(Format("wait %s %d timed out", c.words[0].c_str(), *n));
    }
    return fail("unknown command " + c.verb);
}

}  // namespace quilhost
