// Escaped text from outside: \uXXXX, \xHH, %uXXXX, %XX and the rest.
#include "fuzz_support.h"
#include "textutil/codepage.h"
#include "textutil/escapes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const uint8_t forms = in.ConsumeIntegral<uint8_t>();
    const pelko::Text text = pelko::fuzz::AsText(in.ConsumeRemainingBytesAsString());

    const pelko::Text decoded = pelko::DecodeUnicodeEscapes(text);
    // Text with nothing to decode and none of the stand-ins comes back as it was.
    if (text.find_first_of("\\%\r{\xA1") == pelko::Text::npos) FUZZ_CHECK(decoded == text);

    // Code page 936 text written as \uXXXX and %uXXXX escapes decodes to itself.
    const std::u16string units = pelko::AnsiToUtf16(text);
    // (The stand-ins for the apostrophe and the line break are decoded too.)
    const bool standIns = text.find("\xA1\xAF") != pelko::Text::npos || text.find("{$}") != pelko::Text::npos;
    if (!standIns && pelko::Utf16ToAnsi(units) == text) {
        pelko::Text escaped;
        char buf[8];
        for (size_t i = 0; i < units.size(); ++i) {
            std::snprintf(buf, sizeof buf, (forms >> (i % 8)) & 1 ? "%%u%04X" : "\\u%04x", unsigned(units[i]));
            escaped += buf;
        }
        FUZZ_CHECK(pelko::DecodeUnicodeEscapes(escaped) == text);
    }
    (void)pelko::UnicodeBytesToText(pelko::Bytes(text));
    return 0;
}
