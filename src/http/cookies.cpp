#include "http/cookies.h"

#include "http/url.h"

namespace pelko {

namespace {

constexpr char kItemSeparator[] = "; ";

// A closing ";" becomes a separator, so the split leaves no ";" on the last item.
void TidyCookieText(Text& text) {
    text = TrimText(text);
    if (!text.empty() && text.back() == ';') text += " ";
}

bool IsDeleted(const Text& item) { return RightText(item, 8) == "=deleted"; }

}  // namespace

Text ExtractSetCookies(const Text& headerBlock) {
    Text result;
    for (const Text& line : SplitText(headerBlock, Text("\r\n"))) {
        if (TextBefore(line, ": ") != "Set-Cookie") continue;
        Text value = FindText(line, ";") != -1 ? TrimText(TextBetween(line, "Set-Cookie:", ";"))
                                               : TrimText(ReplaceText(line, "Set-Cookie:", Text(), {}, {}, false));
        result += value + kItemSeparator;
    }
    return LeftText(result, TextLength(result) - 2);
}

Text MergeCookies(Text& cookies, Text& returned) {
    TidyCookieText(cookies);
    TidyCookieText(returned);
    TextArray sent = SplitText(cookies, Text(kItemSeparator));
    TextArray merged = SplitText(returned, Text(kItemSeparator));
    for (const Text& item : sent)
        if (!HasCookieName(merged, CookieName(item))) merged.push_back(item);
    cookies.clear();
    for (const Text& item : merged)
        if (!IsDeleted(item)) cookies += item + kItemSeparator;
    cookies = LeftText(cookies, TextLength(cookies) - 2);
    cookies = JoinDistinct(cookies, kItemSeparator, true);
    return cookies;
}

Text CookieName(const Text& item) {
    int p = FindText(item, "=");
    return p == -1 ? TrimText(item) : TrimText(LeftText(item, p - 1));
}

bool HasCookieName(const TextArray& list, const Text& name) {
    for (const Text& item : list)
        if (CompareText(CookieName(item), name) == 0) return true;
    return false;
}

Text JoinDistinct(const Text& text, const Text& separator, bool splitBySeparator) {
    TextArray items;
    if (splitBySeparator) items = SplitText(text, separator);
    else SplitCharacters(text, items);
    TextArray seen;
    Text result;
    for (const Text& item : items) {
        if (IndexOfText(seen, item) != -1) continue;
        seen.push_back(item);
        result += item + separator;
    }
    return LeftText(result, TextLength(result) - TextLength(separator));
}

int SplitCharacters(const Text& text, TextArray& list) {
    list.clear();
    Bytes bytes = ToBytes(text);
    const int n = BytesLength(bytes);
    for (int i = 1; i <= n;) {
        int width = 1;
        if (i < n) {
            unsigned char c = static_cast<unsigned char>(bytes[i - 1]);
            if (c > 0x80 || (c == 13 && bytes[i] == 10)) width = 2;
        }
        list.push_back(ToText(BytesMid(bytes, i, width)));
        i += width;
    }
    return ArraySize(list);
}

int IndexOfText(const TextArray& list, const Text& text) {
    for (size_t i = 0; i < list.size(); ++i)
        if (CompareText(list[i], text) == 0) return static_cast<int>(i) + 1;
    return -1;
}

}  // namespace pelko
