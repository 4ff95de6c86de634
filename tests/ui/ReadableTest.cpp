#include "ui/Readable.h"

#include <gtest/gtest.h>

#include <string>

namespace tarnex::test {
namespace {

TEST(ReadableText, ValidUtf8ReadsAsItIsAndEveryOtherByteAsAnEscape)
{
    struct Case {
        std::string bytes;
        const char16_t* escaped; // LineBreaks::Escape
        const char16_t* kept;    // LineBreaks::Keep
    };
    const Case cases[] = {
        {"/tmp/report.txt", u"/tmp/report.txt", u"/tmp/report.txt"},
        {"/tmp/caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x94\x92", u"/tmp/café € 🔒", u"/tmp/café € 🔒"},
        {"/tmp/\xFF.bin", u"/tmp/\\xFF.bin", u"/tmp/\\xFF.bin"},
        // A lone continuation byte, an overlong '/', a surrogate, a code
        // point past U+10FFFF and a sequence cut short.
        {"\x80|\xC0\xAF|\xED\xA0\x80|\xF4\x90\x80\x80|\xE2\x82", u"\\x80|\\xC0\\xAF|\\xED\\xA0\\x80|\\xF4\\x90\\x80\\x80|\\xE2\\x82",
         u"\\x80|\\xC0\\xAF|\\xED\\xA0\\x80|\\xF4\\x90\\x80\\x80|\\xE2\\x82"},
        // Control characters never break a line or vanish in a one-line
        // place; boxes keep their line breaks, CR LF counting as one.
        {"a\nb\rc\r\nd\te\x7F\xC2\x85", u"a\\x0Ab\\x0Dc\\x0D\\x0Ad\\x09e\\x7F\\xC2\\x85", u"a\nb\nc\nd\\x09e\\x7F\\xC2\\x85"},
        {"<b>BOLD", u"<b>BOLD", u"<b>BOLD"},
        {"", u"", u""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(ReadableText(c.bytes), QString::fromUtf16(c.escaped));
        EXPECT_EQ(ReadableText(c.bytes, LineBreaks::Keep), QString::fromUtf16(c.kept));
    }
    EXPECT_NE(ReadableText("\xFE.bin"), ReadableText("\xFF.bin"));
}

} // namespace
} // namespace tarnex::test
