// A JSON value read and changed by path.
//
// Paths are member expressions relative to the value: member names joined by
// "." and decimal indexes in brackets ("data.rows[3].article_title", "[0]");
// the empty path is the value itself.  An absolute path begins with the root
// name "da".  Texts cross this interface as code page 936; the tree holds
// UTF-8, and characters code page 936 lacks come back as "?".
//
// JSON text is parsed, never evaluated: text that is not JSON does not load.
// Failures show only in the results (false, empty text, 0 or -1).
#pragma once

#include <memory>
#include <string_view>

#include "textutil/text.h"

namespace pelko {

struct JsonTree;  // the value and what shares it
using JsonEngine = std::shared_ptr<JsonTree>;

class JsonDocument {
public:
    JsonDocument();
    // Attaches to a tree that GetEngine handed out: both handles see one value.
    explicit JsonDocument(JsonEngine engine);
    // Copies share the tree until one of them loads another text.
    JsonDocument(const JsonDocument&) = default;
    JsonDocument& operator=(const JsonDocument&) = default;
    JsonDocument(JsonDocument&&) noexcept = default;
    JsonDocument& operator=(JsonDocument&&) noexcept = default;
    ~JsonDocument();

    const Text& RootName() const { return rootName_; }

    // Starts a fresh tree (an empty object); the previous tree stays with
    // any other handle that shares it.
    void CreateEngine();
    // False for text that is not JSON and for a value of null; the root is
    // null then.  Without `direct`, a JSON string whose content is JSON loads
    // that content.
    bool Load(const Text& text, Opt<bool> direct = {});
    bool LoadUtf8(std::string_view utf8, Opt<bool> direct = {});
    bool Clear();
    Text ToJson();
    bool SetValue(const Text& path, const Text& value, Opt<bool> isJson = {});
    bool SetExpression(const Text& path, const Text& expression);
    // Makes `path` absolute ("data.rows" -> "da.data.rows"); true when it
    // then names a value that is not null.
    bool ResolvePath(Text& path);
    bool Exists(const Text& path);
    // 0 missing or null, 1 boolean, 2 number, 4 object, 5 array, 6 string,
    // -1 a path that cannot be read.
    int GetType(const Text& path);
    Text GetText(const Text& path, Opt<bool> asJson = {});
    int GetMemberNames(TextArray& names, const Text& path);
    int GetCount(const Text& path);
    JsonDocument GetObject(const Text& path);
    bool AddItem(const Text& value, const Text& path, Opt<bool> isJson = {}, Opt<bool> atFront = {});
    JsonDocument GetItemObject(int index, const Text& path);
    Text GetItemText(int index, const Text& path, Opt<bool> asJson = {});
    bool SetItem(int index, const Text& path, const Text& value, Opt<bool> isJson = {});
    bool RemoveItem(int index, const Text& path);
    bool Remove(const Text& path);
    bool SetNumber(const Text& path, double number);
    double GetNumber(const Text& path);
    Text GetJson(const Text& path);
    JsonEngine GetEngine() const { return engine_; }
    int GetValues(TextArray& values, const Text& path, Opt<bool> recursive = {});

private:
    Text rootName_;
    JsonEngine engine_;
};

}  // namespace pelko
