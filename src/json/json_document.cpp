#include "json/json_document.h"

#include <charconv>
#include <cmath>
#include <nlohmann/json.hpp>

#include "json/js_number.h"
#include "json/json_path.h"
#include "textutil/codepage.h"
#include "textutil/escapes.h"
#include "textutil/utf8.h"

namespace pelko {

using Json = nlohmann::ordered_json;

// The root starts as an empty object; "discarded" stands for an undefined
// value (a copy of a member that was missing).
struct JsonTree {
    Json root = Json::object();
};

namespace {

using json::ParsedPath;

const char kRootName[] = "da";
// A backslash written by SetValue is held as U+2400 and read back as a backslash.
const std::string_view kPlaceholder = "\xE2\x90\x80";
// Deeper nesting is refused at load: every reader walks the tree recursively.
constexpr int kMaxDepth = 512;
// Assigning this far past an array's end is refused rather than filling the gap.
constexpr long long kMaxArrayGap = 100000;

bool IsAscii(std::string_view s) {
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

Text ToAnsi(const std::string& utf8) { return IsAscii(utf8) ? utf8 : Utf8ToAnsi(utf8); }
std::string ToUtf8(std::string_view text) { return IsAscii(text) ? std::string(text) : AnsiToUtf8(text); }

std::string RestoreBackslashes(std::string s) {
    for (size_t at = s.find(kPlaceholder); at != std::string::npos; at = s.find(kPlaceholder, at + 1))
        s.replace(at, kPlaceholder.size(), "\\");
    return s;
}

bool NestsTooDeep(std::string_view text) {
    int depth = 0;
    bool inString = false;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (inString) {
            if (c == '\\') ++i;
            else if (c == '"') inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > kMaxDepth) return true;
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return false;
}

// Discarded when the text is not JSON.
Json ParseJson(std::string_view utf8) {
    if (NestsTooDeep(utf8)) return Json(Json::value_t::discarded);
    return Json::parse(utf8.begin(), utf8.end(), nullptr, false);
}

// --- reading by path ---------------------------------------------------------

enum class Found { Error, Undefined, Value };

struct Ref {
    Found kind = Found::Error;
    Json* value = nullptr;
    bool IsValue() const { return kind == Found::Value; }
    bool IsSet() const { return kind == Found::Value && !value->is_null(); }
};

Ref Member(Json& v, const std::string& key) {
    if (v.is_null()) return {Found::Error};
    if (v.is_object()) {
        auto it = v.find(key);
        return it == v.end() ? Ref{Found::Undefined} : Ref{Found::Value, &*it};
    }
    if (v.is_array()) {
        long long index = json::ArrayIndexOf(key);
        if (index >= 0 && static_cast<size_t>(index) < v.size()) return {Found::Value, &v[static_cast<size_t>(index)]};
    }
    return {Found::Undefined};
}

// The value `steps` lead to from the root, the first `count` of them.
Ref Walk(JsonTree& tree, const ParsedPath& path, size_t count) {
    Ref at = tree.root.is_discarded() ? Ref{Found::Undefined} : Ref{Found::Value, &tree.root};
    for (size_t k = 0; k < count; ++k) {
        if (!at.IsValue()) return {Found::Error};
        at = Member(*at.value, path.steps[k].key);
    }
    return at;
}

// --- text forms ----------------------------------------------------------------

std::string TextForm(const Json& v) {
    switch (v.type()) {
        case Json::value_t::string: return v.get_ref<const std::string&>();
        case Json::value_t::boolean: return v.get<bool>() ? "true" : "false";
        case Json::value_t::number_integer:
        case Json::value_t::number_unsigned:
        case Json::value_t::number_float: return json::NumberToScriptText(v.get<double>());
        case Json::value_t::array: {
            std::string out;
            bool first = true;
            for (const Json& e : v) {
                if (!first) out += ',';
                first = false;
                if (!e.is_null()) out += TextForm(e);
            }
            return out;
        }
        case Json::value_t::object: return "[object Object]";
        default: return "";
    }
}

bool EscapedAsUnit(char32_t c) {
    return c <= 0x1F || (c >= 0x7F && c <= 0x9F) || c == 0xAD || (c >= 0x600 && c <= 0x604) || c == 0x70F ||
           c == 0x17B4 || c == 0x17B5 || (c >= 0x200C && c <= 0x200F) || (c >= 0x2028 && c <= 0x202F) ||
           (c >= 0x2060 && c <= 0x206F) || c == 0xFEFF || (c >= 0xFFF0 && c <= 0xFFFF);
}

void Quote(const std::string& s, std::string& out) {
    static const char hex[] = "0123456789abcdef";
    out += '"';
    for (size_t i = 0; i < s.size();) {
        const size_t start = i;
        const Utf8Char ch = DecodeUtf8(s, i);
        i += ch.length;
        // The tree holds well-formed UTF-8; anything else goes out as it is.
        const char32_t c = ch.valid ? ch.codePoint : 0xFFFFFFFF;
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\':
            case 0x2400: out += "\\\\"; break;
            case '\b': out += "\\b"; break;
            case '\t': out += "\\t"; break;
            case '\n': out += "\\n"; break;
            case '\f': out += "\\f"; break;
            case '\r': out += "\\r"; break;
            default:
                if (ch.valid && EscapedAsUnit(c)) {
                    out += "\\u";
                    for (int shift = 12; shift >= 0; shift -= 4) out += hex[(c >> shift) & 0xF];
                } else {
                    out.append(s, start, i - start);
                }
        }
    }
    out += '"';
}

void Stringify(const Json& v, std::string& out) {
    switch (v.type()) {
        case Json::value_t::string: Quote(v.get_ref<const std::string&>(), out); break;
        case Json::value_t::boolean: out += v.get<bool>() ? "true" : "false"; break;
        case Json::value_t::number_integer:
        case Json::value_t::number_unsigned:
        case Json::value_t::number_float: {
            double d = v.get<double>();
            out += std::isfinite(d) ? json::NumberToScriptText(d) : "null";
            break;
        }
        case Json::value_t::array: {
            out += '[';
            bool first = true;
            for (const Json& e : v) {
                if (!first) out += ',';
                first = false;
                Stringify(e, out);
            }
            out += ']';
            break;
        }
        case Json::value_t::object: {
            out += '{';
            bool first = true;
            for (const auto& [key, member] : v.items()) {
                if (!first) out += ',';
                first = false;
                Quote(key, out);
                out += ':';
                Stringify(member, out);
            }
            out += '}';
            break;
        }
        default: out += "null"; break;
    }
}

Text JsonText(const Ref& r) {
    if (!r.IsValue()) return {};
    std::string out;
    Stringify(*r.value, out);
    return ToAnsi(out);
}

// --- the automation conversions of a value --------------------------------------

// Decimal text with optional blanks, sign, fraction and exponent.
bool ReadNumberText(std::string_view s, double& out) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    if (s.empty() || s.front() == '+' || s.front() == '-') return false;
    for (char c : s)  // from_chars would also take "inf" and "nan"
        if (!((c >= '0' && c <= '9') || c == '.' || c == 'e' || c == 'E' || c == '+' || c == '-')) return false;
    auto res = std::from_chars(s.data(), s.data() + s.size(), out, std::chars_format::general);
    if (res.ec != std::errc() || res.ptr != s.data() + s.size()) return false;
    if (negative) out = -out;
    return true;
}

bool TextTruth(std::string_view s) {
    std::string folded;
    for (char c : s)
        if (c != ' ' && c != '\t') folded += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    if (folded == "true") return true;
    if (folded == "false") return false;
    double d = 0;
    return ReadNumberText(s, d) && d != 0;
}

bool Truth(const Json& v) {
    switch (v.type()) {
        case Json::value_t::boolean: return v.get<bool>();
        case Json::value_t::number_integer:
        case Json::value_t::number_unsigned:
        case Json::value_t::number_float: return v.get<double>() != 0;
        case Json::value_t::string: return TextTruth(v.get_ref<const std::string&>());
        case Json::value_t::array: return !v.empty();
        case Json::value_t::object: return true;
        default: return false;
    }
}

double NumberOf(const Json& v) {
    switch (v.type()) {
        case Json::value_t::boolean: return v.get<bool>() ? -1.0 : 0.0;  // a true boolean is -1
        case Json::value_t::number_integer:
        case Json::value_t::number_unsigned:
        case Json::value_t::number_float: return v.get<double>();
        case Json::value_t::string:
        case Json::value_t::array: {
            double d = 0;
            return ReadNumberText(TextForm(v), d) ? d : 0.0;
        }
        default: return 0.0;
    }
}

// --- changing the tree ---------------------------------------------------------

// Puts `value` where `path` points; false (nothing changed) when the parent
// is missing, null, or cannot hold that member.
bool Assign(JsonTree& tree, const ParsedPath& path, Json value) {
    if (path.steps.empty()) {
        tree.root = std::move(value);
        return true;
    }
    Ref parent = Walk(tree, path, path.steps.size() - 1);
    if (!parent.IsSet()) return false;
    const std::string& key = path.steps.back().key;
    Json& p = *parent.value;
    if (p.is_object()) {
        p[key] = std::move(value);
        return true;
    }
    if (p.is_array()) {
        long long index = json::ArrayIndexOf(key);
        if (index < 0 || index > static_cast<long long>(p.size()) + kMaxArrayGap) return false;
        if (static_cast<size_t>(index) >= p.size()) p.get_ref<Json::array_t&>().resize(static_cast<size_t>(index) + 1);
        p[static_cast<size_t>(index)] = std::move(value);
        return true;
    }
    return false;
}

// Members holding a string, a boolean, a number or nothing take the
// source's member; objects and arrays merge member by member, arrays by
// appending; a null member takes the source's member.
void Merge(Json& target, const Json& source) {
    if (target.is_array()) {
        if (source.is_array())
            for (const Json& e : source) target.push_back(e);
        return;
    }
    if (target.is_null()) {
        target = source;
        return;
    }
    if (!target.is_object()) return;
    auto mergeMember = [&](const std::string& key, const Json& value) {
        auto it = target.find(key);
        if (it == target.end()) target[key] = value;
        else if (it->is_object() || it->is_array() || it->is_null()) Merge(*it, value);
        else *it = value;
    };
    if (source.is_object()) {
        for (const auto& [key, value] : source.items()) mergeMember(key, value);
    } else if (source.is_array()) {
        for (size_t k = 0; k < source.size(); ++k) mergeMember(std::to_string(k), source[k]);
    }
}

// The value of a single-quoted script string literal, or discarded.
Json LiteralValue(const Text& body) {
    Opt<std::u16string> units = ReadStringLiteral(AnsiToUtf16(body), u'\'');
    if (!units) return Json(Json::value_t::discarded);
    return Json(Utf16ToUtf8(*units));
}

Json ItemValue(const Text& value, Opt<bool> isJson) {
    return isJson.value_or(false) ? ParseJson(ToUtf8(value)) : LiteralValue(value);
}

void CollectValues(const Json& v, bool recursive, TextArray& out) {
    for (const Json& member : v) {
        if (member.is_string()) out.push_back(ToAnsi(RestoreBackslashes(member.get<std::string>())));
        else if (member.is_number()) out.push_back(json::NumberToScriptText(member.get<double>()));
        else if (member.is_boolean()) out.push_back(member.get<bool>() ? "true" : "false");
        else if (recursive && (member.is_object() || member.is_array())) CollectValues(member, true, out);
    }
}

}  // namespace

// --- the document ------------------------------------------------------------------

namespace {

struct Resolved {
    bool parsed = false;  // false: the path is no member expression at all
    bool set = false;     // it names a value that is not null
    ParsedPath path;
    Text text;
};

Resolved Resolve(JsonTree& tree, const Text& root, const Text& path) {
    Resolved r;
    if (TextStartsWith(path, root) && json::ParsePath(path, r.path) && r.path.head == root &&
        Walk(tree, r.path, r.path.steps.size()).IsSet()) {
        r.parsed = r.set = true;
        r.text = path;
        return r;
    }
    r.text = path.empty() ? root : path[0] == '[' ? root + path : root + "." + path;
    r.parsed = json::ParsePath(r.text, r.path) && r.path.head == root;
    r.set = r.parsed && Walk(tree, r.path, r.path.steps.size()).IsSet();
    return r;
}

}  // namespace

JsonDocument::JsonDocument() : rootName_(kRootName) { CreateEngine(); }

JsonDocument::JsonDocument(JsonEngine engine) : rootName_(kRootName), engine_(std::move(engine)) {
    if (!engine_) CreateEngine();
}

JsonDocument::~JsonDocument() = default;

void JsonDocument::CreateEngine() { engine_ = std::make_shared<JsonTree>(); }

bool JsonDocument::LoadUtf8(std::string_view utf8, Opt<bool> direct) {
    CreateEngine();
    Json value = ParseJson(utf8);
    if (!value.is_discarded() && value.is_string() && !direct.value_or(false))
        value = ParseJson(value.get_ref<const std::string&>());
    if (value.is_discarded()) {
        engine_->root = nullptr;
        return false;
    }
    engine_->root = std::move(value);
    return !engine_->root.is_null();
}

bool JsonDocument::Load(const Text& text, Opt<bool> direct) { return LoadUtf8(ToUtf8(text), direct); }

bool JsonDocument::Clear() {
    engine_->root = Json::object();
    return true;
}

Text JsonDocument::ToJson() {
    if (engine_->root.is_discarded()) return {};
    return JsonText({Found::Value, &engine_->root});
}

bool JsonDocument::SetValue(const Text& path, const Text& value, Opt<bool> isJson) {
    Resolved r = Resolve(*engine_, rootName_, path);
    if (!r.parsed) return false;
    if (!isJson.value_or(false)) {
        std::string stored = ToUtf8(value);
        for (size_t at = stored.find('\\'); at != std::string::npos; at = stored.find('\\', at + kPlaceholder.size()))
            stored.replace(at, 1, kPlaceholder);
        bool truth = TextTruth(stored);
        return Assign(*engine_, r.path, Json(std::move(stored))) && truth;
    }
    // An empty value stands for an empty object, in the merge and in the assignment.
    Json source = ParseJson(value.empty() ? std::string("{}") : ToUtf8(value));
    if (source.is_discarded()) return false;
    Ref target = Walk(*engine_, r.path, r.path.steps.size());
    if (r.set && target.value->is_object()) {
        Merge(*target.value, source);
        return true;
    }
    bool truth = Truth(source);
    return Assign(*engine_, r.path, std::move(source)) && truth;
}

bool JsonDocument::SetExpression(const Text& path, const Text& expression) {
    Resolved r = Resolve(*engine_, rootName_, path);
    Json value = ParseJson(ToUtf8(expression));
    if (!r.parsed || value.is_discarded()) return false;
    bool truth = Truth(value);
    return Assign(*engine_, r.path, std::move(value)) && truth;
}

bool JsonDocument::ResolvePath(Text& path) {
    Resolved r = Resolve(*engine_, rootName_, path);
    path = r.text;
    return r.set;
}

bool JsonDocument::Exists(const Text& path) { return Resolve(*engine_, rootName_, path).set; }

int JsonDocument::GetType(const Text& path) {
    Resolved r = Resolve(*engine_, rootName_, path);
    if (!r.parsed) return -1;
    Ref v = Walk(*engine_, r.path, r.path.steps.size());
    if (v.kind == Found::Error) return -1;
    if (!v.IsSet()) return 0;
    switch (v.value->type()) {
        case Json::value_t::string: return 6;
        case Json::value_t::array: return 5;
        case Json::value_t::object: return 4;
        case Json::value_t::boolean: return 1;
        case Json::value_t::number_integer:
        case Json::value_t::number_unsigned:
        case Json::value_t::number_float: return 2;
        default: return -1;
    }
}

Text JsonDocument::GetText(const Text& path, Opt<bool> asJson) {
    Resolved r = Resolve(*engine_, rootName_, path);
    if (!r.parsed) return {};
    Ref v = Walk(*engine_, r.path, r.path.steps.size());
    if (asJson.value_or(false)) return JsonText(v);
    if (!v.IsSet()) return {};
    return ToAnsi(RestoreBackslashes(TextForm(*v.value)));
}

int JsonDocument::GetMemberNames(TextArray& names, const Text& path) {
    names.clear();
    Resolved r = Resolve(*engine_, rootName_, path);
    if (!r.parsed) return 0;
    Ref v = Walk(*engine_, r.path, r.path.steps.size());
    if (!v.IsSet() || !v.value->is_object()) return 0;
    for (const auto& [key, member] : v.value->items()) names.push_back(ToAnsi(key));
    return ArraySize(names);
}

int JsonDocument::GetCount(const Text& path) {
    Resolved r = Resolve(*engine_, rootName_, path);
    if (!r.parsed) return 0;
    Ref v = Walk(*engine_, r.path, r.path.steps.size());
    return v.IsSet() && v.value->is_array() ? static_cast<int>(v.value->size()) : 0;
}

JsonDocument JsonDocument::GetObject(const Text& path) {
    JsonDocument copy;
    Resolved r = Resolve(*engine_, rootName_, path);
    Ref v = r.parsed ? Walk(*engine_, r.path, r.path.steps.size()) : Ref{};
    copy.engine_->root = v.IsValue() ? *v.value : Json(Json::value_t::discarded);
    return copy;
}

bool JsonDocument::AddItem(const Text& value, const Text& path, Opt<bool> isJson, Opt<bool> atFront) {
    // An empty JSON value adds nothing, but the member still becomes an array.
    bool none = isJson.value_or(false) && value.empty();
    Json item = none ? Json() : ItemValue(value, isJson);
    if (item.is_discarded()) return false;
    Resolved r = Resolve(*engine_, rootName_, path);
    if (!r.parsed) return false;
    Ref v = Walk(*engine_, r.path, r.path.steps.size());
    if (v.kind == Found::Error) return false;
    if (!v.IsValue() || !v.value->is_array()) {
        if (!Assign(*engine_, r.path, Json::array())) return false;
        v = Walk(*engine_, r.path, r.path.steps.size());
    }
    Json::array_t& array = v.value->get_ref<Json::array_t&>();
    if (!none) {
        if (atFront.value_or(false)) array.insert(array.begin(), std::move(item));
        else array.push_back(std::move(item));
    }
    return !array.empty();
}

JsonDocument JsonDocument::GetItemObject(int index, const Text& path) {
    JsonDocument copy;
    Resolved r = Resolve(*engine_, rootName_, path);
    Ref v;
    if (r.parsed) {
        r.path.steps.push_back({std::to_string(index)});
        v = Walk(*engine_, r.path, r.path.steps.size());
    }
    copy.engine_->root = v.IsValue() ? *v.value : Json(Json::value_t::discarded);
    return copy;
}

Text JsonDocument::GetItemText(int index, const Text& path, Opt<bool> asJson) {
    Resolved r = Resolve(*engine_, rootName_, path);
    if (!r.parsed) return {};
    r.path.steps.push_back({std::to_string(index)});
    Ref v = Walk(*engine_, r.path, r.path.steps.size());
    if (asJson.value_or(false)) return JsonText(v);
    // Without asJson only a string element has a text.
    if (!v.IsValue() || !v.value->is_string()) return {};
    return ToAnsi(RestoreBackslashes(v.value->get<std::string>()));
}

bool JsonDocument::SetItem(int index, const Text& path, const Text& value, Opt<bool> isJson) {
    Json item = ItemValue(value, isJson);
    Resolved r = Resolve(*engine_, rootName_, path);
    if (item.is_discarded() || !r.parsed) return false;
    r.path.steps.push_back({std::to_string(index)});
    bool truth = Truth(item);
    return Assign(*engine_, r.path, std::move(item)) && truth;
}

bool JsonDocument::RemoveItem(int index, const Text& path) {
    Resolved r = Resolve(*engine_, rootName_, path);
    if (!r.parsed) return false;
    Ref v = Walk(*engine_, r.path, r.path.steps.size());
    if (!v.IsSet() || !v.value->is_array()) return false;
    Json::array_t& array = v.value->get_ref<Json::array_t&>();
    // As splice: a negative index counts from the end.
    long long size = static_cast<long long>(array.size());
    long long start = index < 0 ? std::max(size + index, 0LL) : std::min<long long>(index, size);
    if (start >= size) return false;
    array.erase(array.begin() + start);
    return true;
}

bool JsonDocument::Remove(const Text& path) {
    Resolved r = Resolve(*engine_, rootName_, path);
    if (!r.parsed || r.path.steps.empty()) return false;  // the root itself stays
    Ref parent = Walk(*engine_, r.path, r.path.steps.size() - 1);
    if (!parent.IsSet()) return false;
    Json& p = *parent.value;
    const std::string& key = r.path.steps.back().key;
    if (p.is_object()) {
        p.erase(key);
    } else if (p.is_array()) {
        long long index = json::ArrayIndexOf(key);
        if (index >= 0 && static_cast<size_t>(index) < p.size()) p[static_cast<size_t>(index)] = nullptr;
    }
    return true;
}

bool JsonDocument::SetNumber(const Text& path, double number) {
    Resolved r = Resolve(*engine_, rootName_, path);
    return r.parsed && Assign(*engine_, r.path, Json(number)) && number != 0;
}

double JsonDocument::GetNumber(const Text& path) {
    Resolved r = Resolve(*engine_, rootName_, path);
    if (!r.parsed) return 0;
    Ref v = Walk(*engine_, r.path, r.path.steps.size());
    return v.IsValue() ? NumberOf(*v.value) : 0;
}

Text JsonDocument::GetJson(const Text& path) {
    Resolved r = Resolve(*engine_, rootName_, path);
    if (!r.parsed) return {};
    return JsonText(Walk(*engine_, r.path, r.path.steps.size()));
}

int JsonDocument::GetValues(TextArray& values, const Text& path, Opt<bool> recursive) {
    values.clear();
    Resolved r = Resolve(*engine_, rootName_, path);
    if (!r.parsed) return 0;
    Ref v = Walk(*engine_, r.path, r.path.steps.size());
    if (!v.IsSet() || !(v.value->is_object() || v.value->is_array())) return 0;
    CollectValues(*v.value, recursive.value_or(false), values);
    return ArraySize(values);
}

}  // namespace pelko
