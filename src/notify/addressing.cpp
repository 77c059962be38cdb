#include "notify/addressing.h"

#include "notify/hmac_os.h"
#include "textutil/codepage.h"

namespace pelko {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

// TrimText takes spaces and full-width spaces; a pasted token often brings a
// tab or a line break as well.  No trail byte of code page 936 is below 0x40,
// so cutting these single bytes never splits a character.
Text Trimmed(const Text& text) {
    Text out = text;
    for (;;) {
        size_t begin = 0, end = out.size();
        while (begin < end && IsBlank(out[begin])) ++begin;
        while (end > begin && IsBlank(out[end - 1])) --end;
        Text next = TrimText(std::string_view(out).substr(begin, end - begin));
        if (next == out) return out;
        out = std::move(next);
    }
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        char a = text[i], b = prefix[i];
        if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
        if (a != b) return false;
    }
    return true;
}

Text Base64(std::string_view bytes) {
    static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    Text out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const size_t n = bytes.size() - i < 3 ? bytes.size() - i : 3;
        uint32_t group = static_cast<uint32_t>(static_cast<unsigned char>(bytes[i])) << 16;
        if (n > 1) group |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8;
        if (n > 2) group |= static_cast<unsigned char>(bytes[i + 2]);
        out += kDigits[(group >> 18) & 63];
        out += kDigits[(group >> 12) & 63];
        out += n > 1 ? kDigits[(group >> 6) & 63] : '=';
        out += n > 2 ? kDigits[group & 63] : '=';
    }
    return out;
}

Text WithoutTrailingSlashes(Text base) {
    while (!base.empty() && base.back() == '/') base.pop_back();
    return base;
}

}  // namespace

Text DingTalkToken(const Text& boxText) {
    const Text text = Trimmed(boxText);
    size_t rest;
    if (StartsWithNoCase(text, "https://")) rest = 8;
    else if (StartsWithNoCase(text, "http://")) rest = 7;
    else return text;
    const size_t slash = text.find('/', rest);
    const size_t question = text.find('?', rest);
    if (slash == Text::npos || question == Text::npos || slash > question || slash == rest) return text;
    const std::string_view path = std::string_view(text).substr(slash, question - slash);
    if (path != "/robot/send" && path != "/robot/send/") return text;
    const size_t hash = text.find('#', question);
    const std::string_view query =
        std::string_view(text).substr(question + 1, (hash == Text::npos ? text.size() : hash) - question - 1);
    for (size_t at = 0; at <= query.size();) {
        size_t amp = query.find('&', at);
        if (amp == std::string_view::npos) amp = query.size();
        const std::string_view pair = query.substr(at, amp - at);
        if (pair.substr(0, 13) == "access_token=" && pair.size() > 13) return Text(pair.substr(13));
        at = amp + 1;
    }
    // An address without a token is passed on whole: the robot's refusal then
    // says what is wrong, where an empty token would silently skip the push.
    return text;
}

Text DingTalkSignQuery(int64_t timestampMs, const Text& secret) {
    const Text key = AnsiToUtf8(Trimmed(secret));
    if (key.empty()) return {};
    const Text ms = ToText(timestampMs);
    const Bytes digest = os::HmacSha256(key, ms + "\n" + key);
    if (digest.empty()) return {};
    return "&timestamp=" + ms + "&sign=" + UrlEncode(Base64(digest), true);
}

Text ServerChanUrl(const Text& boxKey, const Text& serverChanBase, const Text& serverChan3Base) {
    const Text key = Trimmed(boxKey);
    size_t end = 4;
    if (key.compare(0, 4, "sctp") == 0) {
        while (end < key.size() && key[end] >= '0' && key[end] <= '9') ++end;
        if (end > 4 && end < key.size() && key[end] == 't') {
            const Text uid = key.substr(4, end - 4);
            return WithoutTrailingSlashes(ReplaceText(serverChan3Base, "{uid}", uid)) + "/send/" + key + ".send";
        }
    }
    return WithoutTrailingSlashes(serverChanBase) + "/" + key + ".send";
}

Text MaskSecret(const Text& secret) {
    const Text text = Trimmed(secret);
    if (text.empty()) return {};
    size_t shown = 0;
    int characters = 0;
    while (shown < text.size() && characters < 4) {
        shown += CharWidthAt(text, shown);
        ++characters;
    }
    if (shown >= text.size()) return "…";
    return text.substr(0, shown) + "…";
}

}  // namespace pelko
