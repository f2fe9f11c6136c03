#include "toolkit/rtf_reader.h"

#include "toolkit/rich_text_writer.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <mutex>
#include <random>
#include <sstream>
#include <thread>

namespace velmora {
namespace {

// Ends the whole run if a read does not come back: a hang must fail, not stall CI.
class TWatchdog {
public:
    explicit TWatchdog(std::string what, std::chrono::seconds limit = std::chrono::seconds(120))
        : FThread([this, what = std::move(what), limit] {
              std::unique_lock<std::mutex> lock(FMutex);
              if (!done_cv_.wait_for(lock, limit, [this] { return FDone; })) {
                  std::fprintf(stderr, "reading %s did not finish\n", what.c_str());
                  std::_Exit(3);
              }
          }) {}
    ~TWatchdog() {
        {
            std::lock_guard<std::mutex> lock(FMutex);
            FDone = true;
        }
        done_cv_.notify_all();
        FThread.join();
    }

private:
    std::mutex FMutex;
    std::condition_variable done_cv_;
    bool FDone = false;
    std::thread FThread;
};

QString Read(const std::string& rtf, QTextDocument& doc) {
    TWatchdog guard(rtf.substr(0, 40));
    ReadRtf(rtf, doc);
    return doc.toRawText();
}

QString Read(const std::string& rtf) {
    QTextDocument doc;
    return Read(rtf, doc);
}

// The format of the character at the start of the first occurrence of text.
QTextCharFormat FormatOf(const QTextDocument& doc, const QString& text) {
    const int at = doc.toRawText().indexOf(text);
    EXPECT_GE(at, 0) << text.toStdString();
    QTextCursor cursor(const_cast<QTextDocument*>(&doc));
    cursor.setPosition(std::max(at, 0) + 1);
    return cursor.charFormat();
}

QTextBlockFormat BlockOf(const QTextDocument& doc, const QString& text) {
    const int at = doc.toRawText().indexOf(text);
    EXPECT_GE(at, 0) << text.toStdString();
    return doc.findBlock(std::max(at, 0)).blockFormat();
}

const char* const FormattedSample =
    R"({\rtf1\ansi\deff0{\fonttbl{\f0\fswiss\fcharset238 Tahoma;}{\f1\froman Times New Roman;}})"
    R"({\colortbl;\red255\green0\blue0;\red0\green0\blue255;})"
    R"(\pard\qc\fs32 Title\par)"
    R"(\pard\ql\fs20 plain {\b bold} {\i italic} {\ul under} \ul on\ulnone  off \cf1 red\cf2 blue\cf0  auto\par)"
    R"(\pard\qr right\par\pard\qj just {\f1 serif}\par})";

TEST(RtfReader, CharacterFormattingFollowsGroupsAndWords) {
    QTextDocument doc;
    const QString text = Read(FormattedSample, doc);
    EXPECT_TRUE(FormatOf(doc, "bold").font().bold());
    EXPECT_FALSE(FormatOf(doc, "plain").font().bold());
    EXPECT_FALSE(FormatOf(doc, " italic").font().bold()) << "bold must end with its group";
    EXPECT_TRUE(FormatOf(doc, "italic").fontItalic());
    EXPECT_TRUE(FormatOf(doc, "under").fontUnderline());
    EXPECT_TRUE(FormatOf(doc, "on").fontUnderline());
    EXPECT_FALSE(FormatOf(doc, "off").fontUnderline());
    EXPECT_DOUBLE_EQ(FormatOf(doc, "Title").fontPointSize(), 16.0);
    EXPECT_DOUBLE_EQ(FormatOf(doc, "plain").fontPointSize(), 10.0);
    EXPECT_EQ(FormatOf(doc, "red").foreground().color(), QColor(255, 0, 0));
    EXPECT_EQ(FormatOf(doc, "blue").foreground().color(), QColor(0, 0, 255));
    EXPECT_FALSE(FormatOf(doc, "auto").hasProperty(QTextFormat::ForegroundBrush)) << "\\cf0 is the automatic colour";
    EXPECT_EQ(FormatOf(doc, "Title").fontFamilies().toStringList(), QStringList{"Tahoma"});
    EXPECT_EQ(FormatOf(doc, "serif").fontFamilies().toStringList(), QStringList{"Times New Roman"});
    EXPECT_FALSE(text.contains("Tahoma")) << "font names are not text";
    EXPECT_FALSE(text.contains("Times"));
    EXPECT_FALSE(text.contains("255"));
}

TEST(RtfReader, ParagraphFormatting) {
    QTextDocument doc;
    Read(FormattedSample, doc);
    EXPECT_EQ(BlockOf(doc, "Title").alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_EQ(BlockOf(doc, "plain").alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
    EXPECT_EQ(BlockOf(doc, "right").alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
    EXPECT_EQ(BlockOf(doc, "just").alignment() & Qt::AlignHorizontal_Mask, Qt::AlignJustify);

    Read(R"({\rtf1\pard\li720\ri1440\fi-360\sb240\sa120 indented\par\pard flat\par})", doc);
    const QTextBlockFormat indented = BlockOf(doc, "indented");
    EXPECT_DOUBLE_EQ(indented.leftMargin(), 48.0);  // half an inch at 96 dpi
    EXPECT_DOUBLE_EQ(indented.rightMargin(), 96.0);
    EXPECT_DOUBLE_EQ(indented.textIndent(), -24.0);
    EXPECT_DOUBLE_EQ(indented.topMargin(), 16.0);
    EXPECT_DOUBLE_EQ(indented.bottomMargin(), 8.0);
    EXPECT_DOUBLE_EQ(BlockOf(doc, "flat").leftMargin(), 0.0) << "\\pard resets the paragraph";
}

TEST(RtfReader, ReadingAgainReplacesTheDocument) {
    QTextDocument doc;
    Read(R"({\rtf1 first})", doc);
    EXPECT_EQ(Read(R"({\rtf1 second})", doc), "second");
}

TEST(RtfReader, BreaksAndLiterals) {
    QTextDocument doc;
    const QString text = Read(R"({\rtf1 one\par two\line three\tab four\par\{ \} \\ a\~b c\-d\emdash})", doc);
    EXPECT_EQ(doc.blockCount(), 3);
    EXPECT_EQ(doc.findBlockByNumber(0).text(), "one");
    EXPECT_EQ(doc.findBlockByNumber(1).text(), QString("two") + QChar::LineSeparator + "three\tfour");
    EXPECT_EQ(doc.findBlockByNumber(2).text(), QString("{ } \\ a") + QChar(0xA0) + "b cd" + QChar(0x2014));
    // Line ends in the file are not text; the space after a control word is its delimiter.
    EXPECT_EQ(Read("{\\rtf1 al\r\npha\\b  beta}"), "alpha beta");
}

TEST(RtfReader, HexEscapesUseTheCodePage) {
    EXPECT_EQ(Read(R"({\rtf1 \'b9\'9c\'bf\'b3\'a3})"), QString::fromUtf8("ąśżłŁ")) << "Windows-1250 without \\ansicpg";
    EXPECT_EQ(Read(R"({\rtf1\ansi\ansicpg1252 \'e9\'9c\'b9})"), QString::fromUtf8("éœ¹"));
    EXPECT_EQ(Read(R"({\rtf1\ansi\ansicpg1250 \'E6\'f1})"), QString::fromUtf8("ćń"));
    // A font's character set decides over the document's code page; ANSI (0) follows \ansicpg.
    const char* fonts = R"({\rtf1\ansi\ansicpg1252{\fonttbl{\f0\fcharset0 Arial;}{\f1\fcharset238 Arial CE;})"
                        R"({\f2\fcharset204 Arial Cyr;}}\f0 \'b9{\f1 \'b9}{\f2 \'c6}\'b9})";
    EXPECT_EQ(Read(fonts), QString::fromUtf8("¹ąЖ¹"));
    // Escaped Polish letters in a font name stay out of the text as well.
    EXPECT_EQ(Read(R"({\rtf1{\fonttbl{\f0\fcharset238 Czcionka \'b3adna;}}\f0 x})"), "x");
}

TEST(RtfReader, UnicodeEscapesAndTheirFallbacks) {
    EXPECT_EQ(Read(R"({\rtf1 \u261?\u347?})"), QString::fromUtf8("ąś"));
    EXPECT_EQ(Read(R"({\rtf1 \uc0\u261 x})"), QString::fromUtf8("ąx"));
    EXPECT_EQ(Read(R"({\rtf1 \uc2\u261\'b9\'b9z})"), QString::fromUtf8("ąz"));
    EXPECT_EQ(Read(R"({\rtf1 \u261\'b9 rest})"), QString::fromUtf8("ą rest")) << "an escape is one fallback character";
    EXPECT_EQ(Read(R"({\rtf1 {\uc2 \u261 ab}\u261 cd})"), QString::fromUtf8("ąąd")) << "\\uc ends with its group";
    EXPECT_EQ(Read(R"({\rtf1 \uc3\u261 a}b)"), QString::fromUtf8("ąb")) << "a brace ends the fallback";
    EXPECT_EQ(Read(R"({\rtf1 \u-3913?})"), QString(QChar(0xF0B7)));
    EXPECT_EQ(Read(R"({\rtf1 \u-10179?\u-8704?})"), QString::fromUtf8("\xF0\x9F\x98\x80")) << "a surrogate pair";
}

TEST(RtfReader, SkippedDestinationsShowNothing) {
    const QString text = Read(
        R"({\rtf1{\stylesheet{\s0 Normal;}}{\info{\title Secret}{\author Someone}}{\*\generator Gen 1.0;})"
        R"({\pict\pngblip 89504e47}{\*\unknowndest hidden}{\pict\bin5 }{\\} }{\*\bkmkstart mark})"
        R"({\field{\*\fldinst HYPERLINK "x"}{\fldrslt shown}} end})");
    EXPECT_EQ(text, "shown end");
}

TEST(RtfReader, UnbalancedAndDeepGroups) {
    EXPECT_EQ(Read(R"({\rtf1 abc}}}} def {{{ ghi)"), "abc def  ghi");
    const int depth = 100000;
    std::string deep = R"({\rtf1 )" + std::string(depth, '{') + "deep" + std::string(depth, '}') + " after}";
    EXPECT_EQ(Read(deep), "deep after");
    // A skipped destination beyond the depth bound still hides its text, and only its own.
    std::string hidden = R"({\rtf1 )" + std::string(300, '{') + R"(a{\*\x hidden{\b more}}b)" + std::string(300, '}') + " c}";
    EXPECT_EQ(Read(hidden), "ab c");
    // Formatting of an inner group ends with it while the nesting stays inside the bound.
    QTextDocument doc;
    Read(R"({\rtf1 )" + std::string(200, '{') + R"({\b in}out)" + std::string(200, '}') + "}", doc);
    EXPECT_FALSE(FormatOf(doc, "out").font().bold());
}

TEST(RtfReader, TruncatedAndOversizedInputShowWhatItCan) {
    for (const char* rtf : {R"({\rtf1 ab\')", R"({\rtf1 ab\'4)", R"({\rtf1 ab\u)", R"({\rtf1 ab\u-)", R"({\rtf1 ab\)",
                            R"({\rtf1 ab\bin999999)", R"({\rtf1 ab\bin999999 cd)", R"({\rtf1 ab\bin-5)", R"({\rtf1 ab\fs)"})
        EXPECT_EQ(Read(rtf), "ab") << rtf;
    EXPECT_EQ(Read(R"({\rtf1 ab\'zz})"), "abzz");
    EXPECT_EQ(Read(R"({\rtf1 a\'00\'0a\'0db\'09c})"), "ab\tc") << "escaped control bytes are not text";
    EXPECT_EQ(Read(""), "");
    // Absurd numbers are clamped, not trusted.
    QTextDocument doc;
    const QString text =
        Read(R"({\rtf1 \fs99999999999999 x\li-99999999999\fi99999999 y\uc99999999 \u70000 z\cf99999 w\par})", doc);
    EXPECT_TRUE(text.startsWith("xy")) << text.toStdString();
    EXPECT_LE(FormatOf(doc, "x").fontPointSize(), 1638.0);
    EXPECT_GE(BlockOf(doc, "y").leftMargin(), 0.0);
}

std::string Repeated(const std::string& piece, int times) {
    std::string text;
    text.reserve(piece.size() * times);
    for (int i = 0; i < times; ++i) text += piece;
    return text;
}

// Introductions that kept the window from its first paint for minutes: many runs of text, stretches
// of one script or one overlong word in a block, or a document too tall for the layout. Each is read
// and laid out at the view's width; the watchdog fails a row whose layout does not come back.
TEST(RtfReader, HostileIntroductionsStayWithinTheBounds) {
    struct TRow {
        const char* Name;
        std::string Body;
        qsizetype Characters;  // the text's characters besides paragraph ends
        bool Cut;              // whether the reader stops before its end
        int MinBlocks;
    };
    const TRow rows[] = {
        {"bold switches", Repeated("\\b a\\b0 b", 20000), 40000, false, 40000 / MaxBlockItems},
        {"two scripts", Repeated("a\\u1046?", 20000), 40000, false, 40000 / MaxBlockItems},
        {"one long word", std::string(100000, 'a'), 100000, false, 100000 / MaxWordLength},
        {"runs past the bound", Repeated("{\\b a}b", 60000), 120000, true, MaxRichTextItems / MaxBlockItems},
        {"paragraphs", "\\fs2" + Repeated("\\par", 450000), 0, false, MaxRichTextParagraphs + 1},
        {"line breaks", Repeated("\\line", 800000), 800000, true, 1},
        {"tall lines", "\\fs3276" + Repeated("\\line", 5000), 5000, true, 1},
        {"tall margins", Repeated("\\sb31680\\sa31680 x\\par", 2000), 2000, true, 1},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        QTextDocument doc;
        doc.setTextWidth(730);
        const auto start = std::chrono::steady_clock::now();
        const QString text = Read("{\\rtf1 " + row.Body + "}", doc);
        const double height = doc.size().height();
        const std::chrono::duration<double> taken = std::chrono::steady_clock::now() - start;
        ::testing::Test::RecordProperty(std::string("rtf_") + row.Name + "_ms", static_cast<int>(taken.count() * 1000));
        const qsizetype shown = text.size() - text.count(QChar::ParagraphSeparator);
        if (row.Cut) EXPECT_LT(shown, row.Characters);
        else EXPECT_EQ(shown, row.Characters);
        EXPECT_GE(doc.blockCount(), row.MinBlocks);
        EXPECT_LE(doc.blockCount(), MaxRichTextParagraphs + 1);
        EXPECT_LT(height, 1 << 22);
        for (QTextBlock block = doc.begin(); block.isValid(); block = block.next())
            ASSERT_LE(block.textFormats().size(), MaxBlockItems);
    }
    // Past its characters the reader stops too (no width: nothing wraps, so no height comes first).
    QTextDocument wide;
    EXPECT_EQ(Read("{\\rtf1 " + Repeated("ab ", MaxRichTextCharacters / 3 + 1000) + "}", wide).size(),
              MaxRichTextCharacters);
}

TEST(RtfReader, RandomBytesNeverBreakTheReader) {
    const unsigned seed = 20261209;
    std::printf("random RTF seed %u\n", seed);
    std::mt19937 random(seed);
    std::string junk(1 << 20, '\0');
    for (char& c : junk) c = static_cast<char>(random() & 0xFF);
    QTextDocument doc;
    EXPECT_LE(Read(junk, doc).size(), static_cast<qsizetype>(junk.size())) << "no byte yields two characters";
    // Junk with an RTF header and plenty of structure characters.
    const char alphabet[] = "{}\\'*ubinfscl0123456789- ;abcdef";
    std::string structured = "{\\rtf1 ";
    for (int i = 0; i < (1 << 19); ++i) structured += alphabet[random() % (sizeof(alphabet) - 1)];
    Read(structured, doc);
    EXPECT_LE(doc.characterCount(), static_cast<int>(structured.size()) + 1);
}

TEST(RtfReader, SampleFilesFromDisk) {
    const char* source = std::getenv("VELMORA_SOURCE_DIR");
    const std::string dir = std::string(source ? source : VELMORA_TEST_SOURCE_DIR) + "/tests/toolkit/data/";
    std::ifstream file(dir + "intro_cp1250.rtf", std::ios::binary);
    ASSERT_TRUE(file) << dir;
    std::stringstream bytes;
    bytes << file.rdbuf();
    QTextDocument doc;
    const QString text = Read(bytes.str(), doc);
    EXPECT_TRUE(text.contains(QString::fromUtf8("Znaki ostrzegawcze"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QString::fromUtf8("zakręt w prawo, ślisko, żwir")));
    EXPECT_TRUE(FormatOf(doc, QString::fromUtf8("Znaki ostrzegawcze")).font().bold());
    EXPECT_FALSE(text.contains("Verdana"));
}

}  // namespace
}  // namespace velmora
