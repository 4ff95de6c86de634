#include "crypto/Base64.h"
#include "crypto/Tools.h"
#include "engine/Commands.h"
#include "tests/support/Oracle.h"
#include "tests/support/RecordingWindow.h"

#include <gtest/gtest.h>

using namespace tarnex::test;
using Calls = std::vector<std::string>;

namespace {

RecordingWindow WindowWith(std::string clipboard, std::string typed)
{
    RecordingWindow w;
    w.clipboard = std::move(clipboard);
    w.passwordTyped = std::move(typed);
    w.password = "left in the box";
    return w;
}

TEST(ClipboardCommands, EncryptPutsOneBase64LineOfTheCfb8Bytes)
{
    struct Case {
        const char* name;
        std::string text;     // clipboard, UTF-8
        std::string password; // typed, UTF-8
        std::string expected;
    };
    const Case cases[] = {
        {"known answer", "Hello, world\r\n", "secret", "oTGW1iUebmcQ/NBIJmk="},
        {"1252 text and password", "Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC",  "p\xC3\xA4ss",
         tarnex::Base64Encode(OracleText("p\xE4ss", "Gr\xFC\xDF" "e \x80", true))},
        {"text beyond 1252 stays UTF-8", "\xD0\xBF\xD1\x80\xD0\xB8", "pw",
         tarnex::Base64Encode(OracleText("pw", "\xD0\xBF\xD1\x80\xD0\xB8", true))},
    };
    for (const auto& c : cases) {
        RecordingWindow w = WindowWith(c.text, c.password);
        tarnex::EncryptClipboard(w);
        EXPECT_EQ(w.Effects(), (Calls{"ask", "password:", "clipboard:" + c.expected, "plain:Clipboard encrypted."})) << c.name;

        // And back.
        RecordingWindow back = WindowWith(w.clipboard, c.password);
        tarnex::DecryptClipboard(back);
        EXPECT_EQ(back.Effects(), (Calls{"ask", "password:", "secret clipboard:" + c.text, "plain:Clipboard decrypted."})) << c.name;
    }
}

TEST(ClipboardCommands, AnEmptyResultLeavesTheClipboardAlone)
{
    RecordingWindow enc = WindowWith("", "pw");
    tarnex::EncryptClipboard(enc);
    EXPECT_EQ(enc.Effects(), (Calls{"ask", "password:", "plain:Clipboard encrypted."}));

    // Decrypted text ends at its first zero byte: here at once.
    const std::string line = tarnex::Base64Encode(OracleText("pw", std::string("\0abc", 4), true));
    RecordingWindow dec = WindowWith(line, "pw");
    tarnex::DecryptClipboard(dec);
    EXPECT_EQ(dec.Effects(), (Calls{"ask", "password:", "plain:Clipboard decrypted."}));
    EXPECT_EQ(dec.clipboard, line);
}

TEST(ClipboardCommands, DecryptedBytesAreShownByTheTextRuleAsASecretAndCutAtAZero)
{
    const std::pair<std::string, std::string> cases[] = {
        {"\xE9t\xE9", "\xC3\xA9t\xC3\xA9"},
        {"\xC3\xA9t\xC3\xA9", "\xC3\x83\xC2\xA9t\xC3\x83\xC2\xA9"}, // "Ã©tÃ©": this encoder writes "été" as E9 74 E9
        {"\xD0\xBF\xD1\x80\xD0\xB8", "\xD0\xBF\xD1\x80\xD0\xB8"},
        {std::string("ab\0cd", 5), "ab"},
    };
    for (const auto& [bytes, shown] : cases) {
        RecordingWindow w = WindowWith(tarnex::Base64Encode(OracleText("pw", bytes, true)), "pw");
        tarnex::DecryptClipboard(w);
        EXPECT_EQ(w.Effects(), (Calls{"ask", "password:", "secret clipboard:" + shown, "plain:Clipboard decrypted."}));
    }
}

TEST(ClipboardCommands, CancelledDialogDoesNothing)
{
    for (const auto command : {tarnex::EncryptClipboard, tarnex::DecryptClipboard}) {
        RecordingWindow w = WindowWith("text", "pw");
        w.passwordDialogOk = false;
        command(w);
        EXPECT_EQ(w.Effects(), Calls{"ask"});
        EXPECT_EQ(w.clipboard, "text");
    }
}

TEST(ClipboardCommands, AMalformedLineEndsDecryptionBeforeThePasswordIsUsed)
{
    // A trailing line break makes the length wrong.
    RecordingWindow w = WindowWith("oTGW1iUebmcQ/NBIJmk=\n", "secret");
    EXPECT_THROW(
        {
            try {
                tarnex::DecryptClipboard(w);
            } catch (const tarnex::Error& e) {
                EXPECT_STREQ(e.what(), "Base64: Incorrect string format");
                throw;
            }
        },
        tarnex::Error);
    EXPECT_EQ(w.Effects(), Calls{"ask"});
    EXPECT_EQ(w.password, "secret");
    EXPECT_EQ(w.clipboard, "oTGW1iUebmcQ/NBIJmk=\n");
}

TEST(ClipboardCommands, EmptyClipboardAsksThenEmptiesAndBeeps)
{
    const std::string question = "confirm:Are you sure you want empty the clipboard?";
    RecordingWindow no = WindowWith("keep", "");
    no.confirmAnswer = false;
    tarnex::EmptyClipboardCommand(no);
    EXPECT_EQ(no.Effects(), Calls{question});
    EXPECT_EQ(no.clipboard, "keep");

    RecordingWindow yes = WindowWith("gone", "");
    tarnex::EmptyClipboardCommand(yes);
    EXPECT_EQ(yes.Effects(), (Calls{question, "empty", "beep"}));

    RecordingWindow locked = WindowWith("held", "");
    locked.clipboardLocked = true;
    EXPECT_THROW(tarnex::EmptyClipboardCommand(locked), tarnex::Error);
    EXPECT_EQ(locked.Effects(), Calls{question}); // no beep
}

} // namespace
