// INI files: one reader and writer for every platform.
//
// A file is kept as its raw bytes cut into sections, so that everything a
// write does not touch goes back to disk byte for byte.  Reading a file only
// finds its section headers; a section's lines are split and classified the
// first time one of its keys is asked for, and its key index once it has been
// asked often.  Sections never looked at are written back as the bytes they
// were read as.  Parsed files stay cached, keyed by the file's stamp (size,
// mtime, inode); a write edits the cached document and replaces the file once.
//
// Stored forms, chosen so that whatever is written reads back unchanged:
// - A value is written as it is when reading would give it back so.
// - A value with surrounding blanks or enclosing quotes, but no line break,
//   is written between double quotes (the reader removes one pair).
// - A value holding a CR or LF byte, or one that itself begins with "%%",
//   is written as "%%" followed by the value with "%", control bytes, "=",
//   "[", "]", ";", a last space and a last byte of 0x80 or more written as
//   %XX (two upper-case hex digits).  Reading a value that begins with "%%"
//   undoes this; a "%" not followed by two hex digits stays as it is.
// - Section and key names get the same "%%" form when they could not be read
//   back plainly: a line break or other control byte, "]" in a section name,
//   "=" in a key or ";" or "[" at its start, a name that begins with "%%", or
//   one whose last byte would pair with the "]" or "=" after it.
#include "textutil/ini.h"

#include <cstring>
#include <deque>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>

#include "textutil/files_os.h"

namespace pelko {

namespace {

constexpr size_t kMaxValue = 10239;  // a 10240-byte buffer with its NUL
constexpr std::string_view kMarker = "%%";
constexpr size_t kCachedFiles = 8;

inline unsigned char U(char c) { return static_cast<unsigned char>(c); }
inline bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimBlanks(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

// The first single-byte `c` under the double-byte walk, or npos.  Lines are
// short and the byte is mostly near their start, so a plain walk is cheapest.
size_t FindChar(std::string_view s, char c) {
    for (size_t i = 0; i < s.size();) {
        if (s[i] == c) return i;
        i += CharWidthAt(s, i);
    }
    return std::string_view::npos;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

Text Escape(std::string_view s) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    Text out(kMarker);
    for (size_t i = 0; i < s.size(); ++i) {
        unsigned char c = U(s[i]);
        bool last = i + 1 == s.size();
        if (c < 0x20 || c == 0x7F || c == '%' || c == '=' || c == '[' || c == ']' || c == ';' ||
            (last && (c == ' ' || c >= 0x80))) {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

Text Unescape(std::string_view s) {
    Text out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        int hi, lo;
        if (s[i] == '%' && i + 2 < s.size() && (hi = HexDigit(s[i + 1])) >= 0 && (lo = HexDigit(s[i + 2])) >= 0) {
            out += static_cast<char>(hi * 16 + lo);
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

// A name or value as stored on its line, back to what it stands for.
Text Decode(std::string_view stored) {
    if (stored.substr(0, kMarker.size()) == kMarker) return Unescape(stored.substr(kMarker.size()));
    return Text(stored);
}

Text ReadValueField(std::string_view field) {
    std::string_view v = TrimBlanks(field);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) v = v.substr(1, v.size() - 2);
    return Decode(v);
}

// What the caller names: leading bytes up to 0x20 skipped, trailing blanks
// cut, as the reader sees names on their lines.
std::string_view CallerName(std::string_view name) {
    name = name.substr(0, strnlen(name.data(), name.size()));
    size_t b = 0;
    while (b < name.size() && U(name[b]) <= 0x20) ++b;
    name.remove_prefix(b);
    while (!name.empty() && IsBlank(name.back())) name.remove_suffix(1);
    return name;
}

// --- the document ----------------------------------------------------------

enum class Kind : uint8_t { Blank, Comment, Header, Entry };

struct Line {
    const char* p = nullptr;
    uint32_t len = 0;
    uint8_t eol = 0;  // 0 none, 1 LF, 2 CR LF
    Kind kind = Kind::Blank;
    // Of an entry with an "=": its trimmed key and where its value begins.
    bool hasKey = false;
    uint32_t keyAt = 0, keyLen = 0, valueAt = 0;
    std::string_view text() const { return {p, len}; }
    std::string_view key() const { return {p + keyAt, keyLen}; }
};

constexpr std::string_view kEol[] = {"", "\n", "\r\n"};

// The section name of a header line, or nothing when the line is none.
bool HeaderName(std::string_view line, std::string_view& name) {
    std::string_view t = TrimBlanks(line);
    if (t.empty() || t[0] != '[') return false;
    std::string_view rest = t.substr(1);
    size_t close = FindChar(rest, ']');
    if (close == std::string_view::npos) return false;
    name = TrimBlanks(rest.substr(0, close));
    return true;
}

Kind Classify(std::string_view line) {
    size_t i = 0;
    while (i < line.size() && IsBlank(line[i])) ++i;
    if (i == line.size()) return Kind::Blank;
    if (line[i] == ';') return Kind::Comment;
    std::string_view name;
    if (line[i] == '[' && HeaderName(line, name)) return Kind::Header;
    return Kind::Entry;
}

// Splits an entry line at its first "=": false when it has none.
bool SplitEntry(std::string_view line, std::string_view& key, size_t& valueAt) {
    size_t eq = FindChar(line, '=');
    if (eq == std::string_view::npos) return false;
    key = TrimBlanks(line.substr(0, eq));
    valueAt = eq + 1;
    return true;
}

Line MakeLine(const char* p, size_t len, uint8_t eol, Kind kind) {
    Line line{p, static_cast<uint32_t>(len), eol, kind};
    std::string_view key;
    size_t valueAt;
    if (kind == Kind::Entry && SplitEntry(line.text(), key, valueAt)) {
        line.hasKey = true;
        line.keyAt = static_cast<uint32_t>(key.data() - p);
        line.keyLen = static_cast<uint32_t>(key.size());
        line.valueAt = static_cast<uint32_t>(valueAt);
    }
    return line;
}

// Calls `take(text, eol)` for each line of `bytes` until it gives false; a
// line ends at LF, and a CR right before it belongs to the line end.
template <class Take> void ForEachLine(std::string_view bytes, Take&& take) {
    const char* p = bytes.data();
    const char* end = p + bytes.size();
    while (p < end) {
        const char* nl = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
        const char* stop = nl ? nl : end;
        uint8_t eol = nl ? 1 : 0;
        if (nl && stop > p && stop[-1] == '\r') --stop, eol = 2;
        if (!take(std::string_view(p, static_cast<size_t>(stop - p)), eol)) return;
        p = nl ? nl + 1 : end;
    }
}

struct Section {
    bool hasHeader = false;  // the lines before the first header have none
    bool removed = false;
    Text folded;             // lower-cased decoded name
    std::string_view raw;    // the bytes read, header line included
    bool split = false;      // `lines` holds the section; `raw` is spent
    std::vector<Line> lines;
    std::unique_ptr<std::unordered_map<Text, uint32_t>> keys;  // folded key -> line
    uint32_t lookups = 0;
    static constexpr uint32_t kScansBeforeIndex = 8;

    // ToLowerText(Decode(stored)) == folded, without building the text.
    static bool FoldedEquals(std::string_view stored, const Text& folded) {
        if (stored.substr(0, kMarker.size()) == kMarker) return ToLowerText(Decode(stored)) == folded;
        if (stored.size() != folded.size()) return false;
        for (size_t i = 0; i < stored.size();) {
            size_t w = CharWidthAt(stored, i);
            if (w == 2) {
                if (stored[i] != folded[i] || stored[i + 1] != folded[i + 1]) return false;
            } else {
                char c = stored[i];
                if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
                if (c != folded[i]) return false;
            }
            i += w;
        }
        return true;
    }

    void Split() {
        if (split) return;
        split = true;
        ForEachLine(raw, [&](std::string_view text, uint8_t eol) {
            lines.push_back(MakeLine(text.data(), text.size(), eol, Classify(text)));
            return true;
        });
        raw = {};
    }

    // Whether a line may hold the key, judged on its first bytes; never false
    // for a line that does.  A trail byte is not folded by the reader, so a
    // byte counts as alike when it is equal or folds to the same letter.
    static bool MayHoldKey(std::string_view line, const Text& foldedKey) {
        size_t i = 0;
        while (i < line.size() && IsBlank(line[i])) ++i;
        if (i < line.size() && line[i] == '%') return true;  // perhaps a "%%" form
        if (line.size() - i < foldedKey.size()) return false;
        for (size_t k = 0; k < foldedKey.size(); ++k) {
            char c = line[i + k], f = foldedKey[k];
            if (c != f && !(c >= 'A' && c <= 'Z' && c + 32 == f)) return false;
        }
        return true;
    }

    // The first line of the key, for reading: a section not split yet is
    // searched on its bytes, so a lookup leaves it as it was read.
    bool Peek(const Text& foldedKey, Line& out) {
        if (split || lookups >= kScansBeforeIndex) {
            const Line* line = Find(foldedKey);
            if (line) out = *line;
            return line;
        }
        ++lookups;
        bool found = false;
        ForEachLine(raw, [&](std::string_view text, uint8_t eol) {
            if (!MayHoldKey(text, foldedKey)) return true;
            Line line = MakeLine(text.data(), text.size(), eol, Classify(text));
            if (!line.hasKey || !FoldedEquals(line.key(), foldedKey)) return true;
            out = line;
            found = true;
            return false;
        });
        return found;
    }

    void BuildKeys() {
        keys = std::make_unique<std::unordered_map<Text, uint32_t>>();
        keys->reserve(lines.size());
        for (uint32_t i = 0; i < lines.size(); ++i)
            if (lines[i].hasKey) keys->try_emplace(ToLowerText(Decode(lines[i].key())), i);
    }
    const Line* Find(const Text& foldedKey, uint32_t* index = nullptr) {
        Split();
        // A pass looks up a few keys in many sections: scanning the lines
        // costs less than indexing them until a section is asked often.
        if (!keys && ++lookups <= kScansBeforeIndex) {
            for (uint32_t i = 0; i < lines.size(); ++i) {
                if (!lines[i].hasKey || !FoldedEquals(lines[i].key(), foldedKey)) continue;
                if (index) *index = i;
                return &lines[i];
            }
            return nullptr;
        }
        if (!keys) BuildKeys();
        auto it = keys->find(foldedKey);
        if (it == keys->end()) return nullptr;
        if (index) *index = it->second;
        return &lines[it->second];
    }
};

class Document {
public:
    explicit Document(std::string data) : base_(std::move(data)) { Parse(); }
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    // The stored value, or nothing when the section or key is missing.
    Opt<Text> Get(const Text& section, const Text& key) {
        const Text fs = ToLowerText(section), fk = ToLowerText(key);
        auto it = index_.find(fs);
        if (it == index_.end()) return std::nullopt;
        for (uint32_t s : it->second) {
            Line line;
            if (sections_[s].Peek(fk, line)) return ReadValueField(line.text().substr(line.valueAt));
        }
        return std::nullopt;
    }

    void RemoveSection(const Text& section) {
        auto it = index_.find(ToLowerText(section));
        if (it == index_.end()) return;
        for (uint32_t s : it->second) sections_[s].removed = true;
        index_.erase(it);
    }

    void Put(const Text& section, const Text& key, const Opt<Text>& value) {
        const Text fs = ToLowerText(section), fk = ToLowerText(key);
        auto it = index_.find(fs);
        if (it == index_.end()) {
            if (!value) return;
            Section& added = sections_.emplace_back();
            added.hasHeader = true;
            added.split = true;
            added.folded = fs;
            Text header(1, '[');
            header.append(SectionForm(section)).push_back(']');
            added.lines.push_back(NewLine(std::move(header), Kind::Header));
            added.lines.push_back(NewLine(KeyForm(key) + "=" + ValueForm(*value), Kind::Entry));
            index_[fs].push_back(static_cast<uint32_t>(sections_.size() - 1));
            return;
        }
        if (!value) {
            // Reading looks through every section of the name and takes the
            // first line of the key, so a removal takes all of them.
            for (uint32_t s : it->second) {
                Section& sec = sections_[s];
                uint32_t at;
                while (sec.Find(fk, &at)) {
                    sec.lines.erase(sec.lines.begin() + at);
                    sec.keys.reset();
                }
            }
            return;
        }
        for (uint32_t s : it->second) {
            Section& sec = sections_[s];
            uint32_t at;
            const Line* line = sec.Find(fk, &at);
            if (!line) continue;
            std::string_view text = line->text();
            size_t valueAt = line->valueAt;
            while (valueAt < text.size() && IsBlank(text[valueAt])) ++valueAt;
            uint8_t eol = line->eol;
            sec.lines[at] = NewLine(Text(text.substr(0, valueAt)) + ValueForm(*value), Kind::Entry);
            sec.lines[at].eol = eol;
            return;
        }
        if (!value) return;
        // A new key goes after the last key line of the first such section,
        // ahead of the blank lines and comments that close it.
        Section& sec = sections_[it->second.front()];
        sec.Split();
        size_t pos = sec.lines.size();
        while (pos > 1 && sec.lines[pos - 1].kind != Kind::Entry) --pos;
        if (pos == 0) pos = 1;
        sec.lines.insert(sec.lines.begin() + static_cast<ptrdiff_t>(pos),
                         NewLine(KeyForm(key) + "=" + ValueForm(*value), Kind::Entry));
        if (sec.keys) sec.keys->try_emplace(fk, static_cast<uint32_t>(pos));
    }

    std::string Serialize() const {
        std::string out;
        out.reserve(base_.size() + 4096);
        bool pendingBreak = false;
        for (const Section& sec : sections_) {
            if (sec.removed) continue;
            if (!sec.split) {
                // Untouched: the bytes as read, whose lines all end but the file's last.
                if (sec.raw.empty()) continue;
                if (pendingBreak) out += "\r\n";
                out.append(sec.raw);
                pendingBreak = sec.raw.back() != '\n';
                continue;
            }
            for (const Line& line : sec.lines) {
                // Only the file's last line may go without a line end.
                if (pendingBreak) out += "\r\n";
                out.append(line.p, line.len);
                out += kEol[line.eol];
                pendingBreak = line.eol == 0;
            }
        }
        return out;
    }

private:
    // Only the headers are looked for here: a header line is one whose first
    // byte after blanks is "[", so only lines holding a "[" need a look.
    void Parse() {
        sections_.emplace_back();  // lines ahead of the first header
        const char* begin = base_.data();
        const char* end = begin + base_.size();
        const char* sectionAt = begin;
        const char* p = begin;
        while (p < end) {
            const char* bracket = static_cast<const char*>(std::memchr(p, '[', static_cast<size_t>(end - p)));
            if (!bracket) break;
            const char* lineAt = bracket;
            while (lineAt > p && IsBlank(lineAt[-1])) --lineAt;
            const char* nl = static_cast<const char*>(std::memchr(bracket, '\n', static_cast<size_t>(end - bracket)));
            const char* next = nl ? nl + 1 : end;
            if (lineAt != p && lineAt[-1] != '\n') {
                p = next;  // no later "[" of this line comes first after blanks either
                continue;
            }
            const char* stop = nl ? nl : end;
            if (nl && stop[-1] == '\r') --stop;
            std::string_view name;
            if (HeaderName(std::string_view(lineAt, static_cast<size_t>(stop - lineAt)), name)) {
                sections_.back().raw = std::string_view(sectionAt, static_cast<size_t>(lineAt - sectionAt));
                sectionAt = lineAt;
                Section& sec = sections_.emplace_back();
                sec.hasHeader = true;
                sec.folded = ToLowerText(Decode(name));
                index_[sec.folded].push_back(static_cast<uint32_t>(sections_.size() - 1));
            }
            p = next;
        }
        sections_.back().raw = std::string_view(sectionAt, static_cast<size_t>(end - sectionAt));
    }

    Line NewLine(Text text, Kind kind) {
        const std::string& kept = arena_.emplace_back(std::move(text));
        return MakeLine(kept.data(), kept.size(), 2, kind);
    }

    static Text SectionForm(const Text& name) {
        std::string_view read;
        Text plain = "[" + name + "]";
        bool ok = name.find_first_of("\r\n") == Text::npos && !TextStartsWith(name, kMarker) &&
                  HeaderName(plain, read) && read == name;
        for (char c : name) ok = ok && U(c) >= 0x20;
        return ok ? name : Escape(name);
    }

    static Text KeyForm(const Text& name) {
        Text line = name + "=";
        std::string_view read;
        size_t at;
        bool ok = !TextStartsWith(name, kMarker) && Classify(line) == Kind::Entry && SplitEntry(line, read, at) &&
                  read == name && at == line.size();
        for (char c : name) ok = ok && U(c) >= 0x20;
        return ok ? name : Escape(name);
    }

    static Text ValueForm(const Text& value) {
        bool breaks = value.find_first_of("\r\n") != Text::npos;
        if (!breaks && ReadValueField(value) == value) return value;
        Text quoted = "\"" + value + "\"";
        if (!breaks && ReadValueField(quoted) == value) return quoted;
        return Escape(value);
    }

    std::string base_;
    std::deque<std::string> arena_;  // lines written since the file was read
    std::deque<Section> sections_;
    std::unordered_map<Text, std::vector<uint32_t>> index_;  // folded name -> sections
};

// --- the cache of parsed files ---------------------------------------------

struct CachedFile {
    Text path;
    os::FileStamp stamp;
    std::unique_ptr<Document> doc;
};

std::mutex& CacheMutex() {
    static std::mutex m;
    return m;
}

std::list<CachedFile>& Cache() {
    // Never destroyed: freeing a large parsed store at exit only costs time.
    static auto* cache = new std::list<CachedFile>;  // most recently used first
    return *cache;
}

void Forget(const Text& path) {
    Cache().remove_if([&](const CachedFile& f) { return f.path == path; });
}

enum class Load { Ok, Missing, Failed };

// The parsed document of the file as it is now on disk.
Load LoadDocument(const Text& path, Document*& doc) {
    auto& cache = Cache();
    os::FileStamp stamp;
    if (!os::StatFile(path, stamp)) {
        Forget(path);
        return Load::Missing;
    }
    for (auto it = cache.begin(); it != cache.end(); ++it) {
        if (it->path != path) continue;
        if (it->stamp == stamp) {
            cache.splice(cache.begin(), cache, it);
            doc = cache.front().doc.get();
            return Load::Ok;
        }
        cache.erase(it);
        break;
    }
    std::string data;
    if (!os::ReadWholeFile(path, data)) return Load::Failed;
    cache.push_front(CachedFile{path, stamp, std::make_unique<Document>(std::move(data))});
    if (cache.size() > kCachedFiles) cache.pop_back();
    doc = cache.front().doc.get();
    return Load::Ok;
}

struct Edit {
    Text section;
    Opt<Text> key, value;
};

bool ApplyEdits(const Text& rawPath, const std::vector<Edit>& edits) {
    const Text path(CallerName(rawPath));
    if (path.empty()) return false;
    for (const Edit& e : edits)
        if (CallerName(e.section).empty() || (e.key && CallerName(*e.key).empty())) return false;

    std::lock_guard lock(CacheMutex());
    Document* doc = nullptr;
    std::unique_ptr<Document> fresh;
    switch (LoadDocument(path, doc)) {
        case Load::Ok:
            break;
        case Load::Missing: {
            bool writes = false;
            for (const Edit& e : edits) writes = writes || (e.key && e.value);
            if (!writes) return true;  // nothing to remove from a file that is not there
            fresh = std::make_unique<Document>(std::string());
            doc = fresh.get();
            break;
        }
        case Load::Failed:
            return false;  // never overwrite a file that could not be read
    }
    for (const Edit& e : edits) {
        const Text section(CallerName(e.section));
        if (!e.key) {
            doc->RemoveSection(section);
            continue;
        }
        Opt<Text> value;
        if (e.value) value = Text(e.value->c_str());
        doc->Put(section, Text(CallerName(*e.key)), value);
    }
    const std::string data = doc->Serialize();
    os::FileStamp stamp;
    if (!os::ReplaceFile(path, data)) {
        // The edited document no longer matches the file on disk.
        Forget(path);
        return false;
    }
    if (!os::StatFile(path, stamp)) {
        Forget(path);  // replaced again already: read it anew next time
        return true;
    }
    if (fresh) {
        Forget(path);
        Cache().push_front(CachedFile{path, stamp, std::move(fresh)});
        if (Cache().size() > kCachedFiles) Cache().pop_back();
    } else {
        for (CachedFile& f : Cache())
            if (f.path == path) f.stamp = stamp;
    }
    return true;
}

}  // namespace

Text ReadIniValue(const Text& file, const Text& section, const Text& key, Opt<Text> defaultValue) {
    const Text path(CallerName(file)), sec(CallerName(section)), k(CallerName(key));
    if (path.empty() || sec.empty() || k.empty()) return {};
    Text fallback = defaultValue ? Text(defaultValue->c_str()) : Text();
    Opt<Text> found;
    {
        std::lock_guard lock(CacheMutex());
        Document* doc = nullptr;
        if (LoadDocument(path, doc) == Load::Ok) found = doc->Get(sec, k);
    }
    Text result = found ? std::move(*found) : std::move(fallback);
    if (result.size() > kMaxValue) result.resize(kMaxValue);
    return result;
}

bool WriteIniValue(const Text& file, const Text& section, Opt<Text> key, Opt<Text> value) {
    return ApplyEdits(file, {Edit{section, std::move(key), std::move(value)}});
}

bool WriteIniValues(const Text& file, const std::vector<IniWrite>& writes) {
    std::vector<Edit> edits;
    edits.reserve(writes.size());
    for (const IniWrite& w : writes) edits.push_back(Edit{w.section, w.key, w.value});
    return ApplyEdits(file, edits);
}

bool EditIniValues(const Text& file, const std::vector<IniEdit>& edits) {
    std::vector<Edit> converted;
    converted.reserve(edits.size());
    for (const IniEdit& e : edits) converted.push_back(Edit{e.section, e.key, e.value});
    return ApplyEdits(file, converted);
}

}  // namespace pelko
