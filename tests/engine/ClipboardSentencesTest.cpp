// Real sentences through the clipboard commands: each must come back exactly,
// whether it was encrypted here or by the Windows program from its
// Windows-1252 bytes. glibc's iconv gives those bytes and judges UTF-8, so
// neither side of the test uses the engine's own tables.
#include "crypto/Base64.h"
#include "engine/Commands.h"
#include "tests/support/Bytes.h"
#include "tests/support/Oracle.h"
#include "tests/support/RecordingWindow.h"

#include <gtest/gtest.h>

#include <optional>

using namespace tarnex::test;

namespace {

std::optional<std::string> Windows1252Bytes(const std::string& utf8)
{
    return Iconv("WINDOWS-1252", "UTF-8", utf8);
}

bool IsNonAsciiUtf8(const std::string& bytes)
{
    bool high = false;
    for (const char c : bytes)
        high = high || static_cast<unsigned char>(c) >= 0x80;
    return high && Iconv("UTF-32LE", "UTF-8", bytes).has_value();
}

const char* const kSentences[] = {
    // French
    "« Le cœur a ses raisons que la raison ne connaît point. »",
    "« CAFÉ… OUVERT » — L’ÉTÉ EST LÀ, À BIENTÔT !",
    "CAFÉ… OUVERT",
    // Spanish
    "El pingüino Wenceslao hizo kilómetros bajo exhaustiva lluvia y frío; añoraba a su querido cachorro.",
    "¡ATENCIÓN! “NO PASAR” — ZONA EN OBRAS… GRACIAS",
    "LLEGÓ… Y SE FUE",
    "DÍ… QUE SÍ—",
    // German
    "Falsches Üben von Xylophonmusik quält jeden größeren Zwerg.",
    "„ACHTUNG“ – BITTE NICHT STÖREN… DANKE, MÜLLER & SÖHNE",
    "Viel Spaß… bis bald",
    // Portuguese
    "À noite, vovô Kowalsky vê o ímã cair no pé do pinguim queixoso e vovó põe açúcar no chá de tâmaras do jabuti feliz.",
    "“NÃO É POSSÍVEL” — DISSE ELE… ATÉ AMANHÃ!",
    "ATÉ… AMANHÃ”",
    "AMANHÃ…",
    // Italian
    "Perché l’università è così lontana? Più tardi, però.",
    "PERCHÉ… NON LO SO",
    "PIÙ… COSÌ—",
    // Dutch, Danish, Swedish, Icelandic
    "Pa’s wijze lynx bezag vroom het fikse aquaduct.",
    "Høj bly gom vandt fræk sexquiz på wc.",
    "Flygande bäckasiner söka hwila på mjuka tuvor.",
    "Kæmi ný öxi hér, ykist þjófum nú bæði víl og ádrepa.",
    // Polish, Czech, Turkish, Romanian, Azerbaijani, Vietnamese
    "Zażółć gęślą jaźń.",
    "PCHNĄĆ W TĘ ŁÓDŹ JEŻA LUB OŚM SKRZYŃ FIG.",
    "Są.",
    "Příliš žluťoučký kůň úpěl ďábelské ódy.",
    "PŘÍLIŠ ŽLUŤOUČKÝ KŮŇ ÚPĚL ĎÁBELSKÉ ÓDY.",
    "Pijamalı hasta yağız şoföre çabucak güvendi.",
    "Înjurând pițigăiat, zoofobul comandă vexat whisky și tequila.",
    "Azərbaycan dili çox gözəldir.",
    "Tôi yêu tiếng nước tôi từ khi mới ra đời.",
    "TIẾNG VIỆT CÓ DẤU",
    // Cyrillic, Greek, Hebrew, Arabic, Persian
    "Съешь же ещё этих мягких французских булок, да выпей чаю.",
    "Да.",
    "Чуєш їх, доцю, га? Кумедна ж ти, прощайся без ґольфів!",
    "Ξεσκεπάζω την ψυχοφθόρα βδελυγμία.",
    "ΑΘΗΝΑ",
    "דג סקרן שט בים מאוכזב ולפתע מצא חברה",
    "نص حكيم له سر قاطع وذو شأن عظيم مكتوب على ثوب أخضر ومغلف بجلد أزرق",
    "من",
    "لطفاً این متن را ترجمه کنید.",
    // Hindi, Thai, Chinese, Japanese, Korean
    "नमस्ते, आप कैसे हैं?",
    "เป็นมนุษย์สุดประเสริฐเลิศคุณค่า",
    "我能吞下玻璃而不伤身体。",
    "いろはにほへと ちりぬるを",
    "東京タワーは333メートルです。",
    "다람쥐 헌 쳇바퀴에 타고파.",
    // Emoji, mixed lines, line breaks
    "Bon voyage ✈️🌍 — see you soon 😀👍🏽 🇫🇷",
    "Prix : 5 € — Цена: 5 € — 価格：5ユーロ",
    "Tシャツ is ¥1,500 at the iPhone 店",
    "Ligne un\r\nLigne deux — fin.\r\n",
    "Première ligne\nSecond line\nÚltima línea…\n",
    "Ελληνικά\r\nРусский\r\nעברית\r\n",
};

RecordingWindow Decrypting(const std::string& line, const std::string& password)
{
    RecordingWindow w;
    w.clipboard = line;
    w.passwordTyped = password;
    tarnex::DecryptClipboard(w);
    return w;
}

TEST(ClipboardSentences, ComeBackExactlyFromHereAndFromTheWindowsProgram)
{
    const std::string password = "mot de passe é";
    const std::string passwordBytes = "mot de passe \xE9";
    int bothReadingsPossible = 0;
    for (const std::string sentence : kSentences) {
        const std::optional<std::string> cp1252 = Windows1252Bytes(sentence);
        const std::string bytes = cp1252 ? *cp1252 : sentence;

        // Encrypted here: the line is that of the text's bytes by the rule.
        RecordingWindow enc;
        enc.clipboard = sentence;
        enc.passwordTyped = password;
        tarnex::EncryptClipboard(enc);
        const std::string line = tarnex::Base64Encode(OracleText(passwordBytes, bytes, true));
        EXPECT_EQ(enc.clipboard, line) << sentence;
        EXPECT_EQ(Decrypting(enc.clipboard, password).clipboard, sentence) << sentence;

        // Encrypted by the Windows program from the Windows-1252 bytes.
        if (cp1252) {
            const std::string original = tarnex::Base64Encode(OracleText(passwordBytes, *cp1252, true));
            EXPECT_EQ(Decrypting(original, password).clipboard, sentence) << sentence;
            bothReadingsPossible += IsNonAsciiUtf8(*cp1252);
        }
    }
    // The table keeps lines whose Windows-1252 bytes are also UTF-8.
    EXPECT_GE(bothReadingsPossible, 8);
}

} // namespace
