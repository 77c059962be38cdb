#include "http/url.h"

namespace pelko {

namespace {

constexpr char kHttps[] = "https://";
constexpr char kHttp[] = "http://";

Text HostByLevels(Text u, bool domainOnly, int levels) {
    u = ReplaceText(u, kHttp);
    u = ReplaceText(u, kHttps);
    if (int slash = FindText(u, "/"); slash != -1) u = LeftText(u, slash - 1);
    const int n = TextLength(u);
    int m = n;
    for (int i = 0; i < levels; ++i) m = FindTextReverse(u, ".", m);
    const int o = FindTextReverse(u, ".", m);
    if (domainOnly) return RightText(u, n - o);
    if (o != -1) {
        if (int o2 = FindTextReverse(u, ".", o); o2 != -1) return RightText(u, n - o2);
    }
    return u;
}

// Where the text after the scheme prefix begins (1 when there is none).
int AfterScheme(const Text& url) {
    Text lower = ToLowerText(LeftText(url, 8));
    if (TextStartsWith(lower, kHttps)) return 9;
    if (TextStartsWith(lower, kHttp)) return 8;
    return 1;
}

}  // namespace

Text UrlHost(const Text& url, Opt<bool> domainOnly, Opt<bool> keepPort, Opt<int> levels) {
    Text u = ToLowerText(url);
    if (levels) {
        u = HostByLevels(u, domainOnly.value_or(false), *levels);
    } else {
        if (u.empty() || u.back() != '/') u += "/";
        if (LeftText(u, 8) == kHttps) {
            u = TextBetween(u, kHttps, "/");
        } else {
            if (FindText(u, kHttp) == -1) u = kHttp + u;
            u = TextBetween(u, kHttp, "/");
        }
        if (domainOnly.value_or(false)) {
            TextArray labels = SplitText(u, Text("."));
            if (labels.size() > 1) u = labels[labels.size() - 2] + "." + labels.back();
        }
    }
    if (keepPort.value_or(false)) return u;
    if (int colon = FindText(u, ":"); colon != -1) return LeftText(u, colon - 1);
    return u;
}

int UrlPort(const Text& url) {
    Text h = UrlHost(url, {}, true);
    int q = FindTextReverse(h, ":");
    if (q == -1) return ToLowerText(LeftText(url, 5)) == "https" ? 443 : 80;
    return TextToInt(RightText(h, TextLength(h) - q));
}

Text UrlPath(const Text& url) {
    // The host is looked for only after the scheme prefix, so that a host
    // such as "t" or "ttp" is not found inside "http://".
    Text h = UrlHost(url);
    int a = FindText(url, h, AfterScheme(url), 1);
    int b = FindText(url, "/", a, 1);
    if (b <= 0) return "/";
    return RightText(url, TextLength(url) - b + 1);
}

Text CapitaliseFirst(const Text& text) { return ToUpperText(LeftText(text, 1)) + MidText(text, 2, TextLength(text)); }

Text NormaliseHeaderBlock(const Text& block) {
    Text result;
    for (const Text& line : SplitText(block, Text("\r\n"))) {
        int p = FindText(line, ":");
        if (p == -1) continue;
        Text name = LeftText(line, p - 1);
        if (FindText(name, "-") != -1) {
            Text joined;
            TextArray words = SplitText(name, Text("-"));
            for (size_t i = 0; i < words.size(); ++i) {
                if (i) joined += "-";
                joined += CapitaliseFirst(words[i]);
            }
            name = joined;
        } else {
            name = CapitaliseFirst(name);
        }
        Text rest = RightText(line, TextLength(line) - TextLength(name));
        if (CharCode(rest) == 32) rest = MidText(rest, 2, TextLength(rest));
        result += name + rest + "\r\n";
    }
    return LeftText(result, TextLength(result) - 2);
}

Text TextBetween(const Text& text, const Text& startMarker, const Text& endMarker, Opt<int> startPos,
                 Opt<bool> ignoreCase) {
    const Text quote = "#引号";
    Text startText = ReplaceText(startMarker, quote, Text("\""));
    Text endText = ReplaceText(endMarker, quote, Text("\""));
    const int fold = ignoreCase.value_or(false) ? 1 : 0;
    int s = FindText(text, startText, startPos.value_or(0), fold);
    if (s == -1) return {};
    s += TextLength(startText);
    int e = FindText(text, endText, s, fold);
    if (e == -1) return {};
    return MidText(text, s, e - s);
}

Text TextBefore(const Text& text, const Text& marker, Opt<int> startPos, Opt<bool> ignoreCase) {
    const int n = TextLength(text);
    const int fold = ignoreCase.value_or(false) ? 1 : 0;
    int k = startPos.value_or(0);
    int p;
    if (k < 0) {
        k = -k;
        if (k == 1) k = 0;
        p = FindTextReverse(text, marker, n - k + 1, fold);
    } else {
        p = FindText(text, marker, k == 0 ? 1 : k, fold);
    }
    if (p == -1) return {};
    return LeftText(text, p - 1);
}

Text TextAfterColon(const Text& text) {
    int p = FindText(text, ":");
    if (p == -1) return {};
    return TrimText(RightText(text, TextLength(text) - p));
}

}  // namespace pelko
