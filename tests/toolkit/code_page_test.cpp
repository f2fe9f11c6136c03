#include "toolkit/code_page.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

std::string Byte(int b) { return std::string(1, static_cast<char>(b)); }

TEST(CodePage, EveryByteRoundTrips) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    const QString text = FromWin1250(all);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(ToWin1250(text), all);
    // Distinct bytes must decode to distinct characters, or the round trip above would be luck.
    for (int a = 0; a < 256; ++a)
        for (int b = a + 1; b < 256; ++b) ASSERT_NE(text[a], text[b]) << a << " " << b;
}

TEST(CodePage, PolishLettersUseTheirBytes) {
    const struct { char16_t ch; int byte; } letters[] = {
        {u'ą', 0xB9}, {u'ć', 0xE6}, {u'ę', 0xEA}, {u'ł', 0xB3}, {u'ń', 0xF1}, {u'ó', 0xF3},
        {u'ś', 0x9C}, {u'ź', 0x9F}, {u'ż', 0xBF}, {u'Ą', 0xA5}, {u'Ć', 0xC6}, {u'Ę', 0xCA},
        {u'Ł', 0xA3}, {u'Ń', 0xD1}, {u'Ó', 0xD3}, {u'Ś', 0x8C}, {u'Ź', 0x8F}, {u'Ż', 0xAF},
    };
    for (const auto& l : letters) {
        EXPECT_EQ(FromWin1250(Byte(l.byte)), QString(QChar(l.ch))) << l.byte;
        EXPECT_EQ(ToWin1250(QString(QChar(l.ch))), Byte(l.byte)) << l.byte;
    }
    EXPECT_EQ(FromWin1250("Zak\xB3" "ad"), QString::fromUtf8("Zakład"));
    EXPECT_EQ(FromWin1250(Byte(0x80)), QString(QChar(0x20AC)));  // the euro sign
}

TEST(CodePage, UndefinedBytesBecomeTheirControlCharacters) {
    for (int b : {0x81, 0x83, 0x88, 0x90, 0x98}) {
        EXPECT_EQ(FromWin1250(Byte(b)), QString(QChar(b))) << b;
        EXPECT_EQ(ToWin1250(QString(QChar(b))), Byte(b)) << b;
    }
    // Undefined bytes in the middle do not cut the text short.
    EXPECT_EQ(FromWin1250("a\x81" "b\x98" "c").size(), 5);
}

TEST(CodePage, CharactersOutsideTheCodePageBecomeQuestionMarks) {
    EXPECT_EQ(ToWin1250(QString::fromUtf8("a\xE2\x98\x83z")), "a?z");  // snowman
    EXPECT_EQ(ToWin1250(QString::fromUtf8("\xF0\x9F\x98\x80")), "?");   // one per code point, not per UTF-16 unit
    EXPECT_EQ(ToWin1250(QString::fromUtf8("\xD0\x96")), "?");           // Cyrillic Zhe
    EXPECT_EQ(ToWin1250(QString()), "");
}

TEST(CodePage, PathsAreUtf8) {
    EXPECT_EQ(ToFileSystemPath("znaki/\xB9" "\x9C.jpg"), "znaki/\xC4\x85\xC5\x9B.jpg");
    EXPECT_EQ(ToFileSystemPath("plain/ascii.jpg"), "plain/ascii.jpg");
}

TEST(CodePage, OtherCodePagesDecodeTheirOwnLetters) {
    EXPECT_EQ(FromCodePage(Byte(0xE9), 1252), QString(QChar(0xE9)));   // é
    EXPECT_EQ(FromCodePage(Byte(0x9C), 1252), QString(QChar(0x153)));  // œ, not ś
    EXPECT_EQ(FromCodePage(Byte(0xC6), 1251), QString(QChar(0x416)));  // Ж
    EXPECT_EQ(FromCodePage(Byte(0xB9), 424242), QString(QChar(u'ą')));  // unknown: read as our own
}

}  // namespace
}  // namespace velmora
