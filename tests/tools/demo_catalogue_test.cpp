// The demo catalogue checked against itself: the files the program reads are all there, decode, line
// up with the stage's link areas, and hotspots, captions and page lists agree with one another.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "text/mem_ini_file.h"
#include "text/string_list.h"
#include "toolkit/code_page.h"
#include "toolkit/rtf_reader.h"
#include "tools/make_demo_catalogue/captions.h"
#include "tools/make_demo_catalogue/writer.h"

namespace velmora::demo {
namespace {

std::string ReadBytes(const std::string& path) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll().toStdString();
}

bool Exists(const std::string& path) { return QFileInfo(QString::fromStdString(path)).isFile(); }

QImage Load(const std::string& path) { return QImage(QString::fromStdString(path)).convertToFormat(QImage::Format_RGB32); }

int Luma(QRgb c) { return (qRed(c) * 30 + qGreen(c) * 59 + qBlue(c) * 11) / 100; }

int Distance(QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
}

double MeanLuma(const QImage& image, const QRect& r) {
    long long sum = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) sum += Luma(image.pixel(x, y));
    return static_cast<double>(sum) / (r.width() * r.height());
}

// Share of the pixels of r that differ clearly from colour (JPEG noise stays well below the limit).
double ShareUnlike(const QImage& image, const QRect& r, QRgb colour) {
    int unlike = 0, all = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x, ++all)
            if (Distance(image.pixel(x, y), colour) > 60) ++unlike;
    return all ? static_cast<double>(unlike) / all : 0.0;
}

// The main window's link areas over the stage, as its controls are laid out (tag, rectangle).
struct Link {
    int Tag;
    QRect Rect;
};
const Link kChapterLinks[] = {
    {1, QRect(0, 176, 243, 31)}, {2, QRect(0, 211, 243, 31)},  {3, QRect(0, 248, 243, 49)},
    {4, QRect(0, 307, 243, 48)}, {5, QRect(0, 360, 243, 31)},  {6, QRect(0, 400, 243, 49)},
    {7, QRect(0, 456, 243, 31)}, {8, QRect(0, 488, 243, 31)},  {9, QRect(0, 528, 243, 31)},
    {10, QRect(0, 560, 243, 31)},
};
const QRect kIndexLink(0, 100, 243, 65);
const QRect kCloseLink(0, 597, 243, 65);
const QRect kWebLink(0, 593, 241, 89);
const QRect kIntroView(272, 105, 730, 625);
const QRect kItemView(244, 78, 780, 651);
const QRect kPreviousLink(244, 729, 249, 37);
const QRect kNextLink(775, 729, 249, 37);
const QRect kCounter(506, 729, 249, 37);
QRect IndexEntry(int n) { return QRect(274, 166 + 48 * (n - 1), 463, 51); }

struct Hotspot {
    int Left, Top, Width, Height;
    std::string Opis;
    QRect Rect() const { return QRect(Left, Top, Width, Height); }
};

std::vector<Hotspot> ReadHotspots(const std::string& path, int& count) {
    TMemIniFile ini(path);
    count = ini.GetNumber("info", "count", -1);
    std::vector<Hotspot> spots;
    for (int i = 1; i <= count; ++i) {
        const std::string s = std::to_string(i);
        spots.push_back({ini.GetNumber(s, "left", -1), ini.GetNumber(s, "top", -1), ini.GetNumber(s, "width", -1),
                         ini.GetNumber(s, "height", -1), ini.GetValue(s, "opis", "")});
    }
    return spots;
}

class DemoCatalogueTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        FDir = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(FDir->isValid());
        WriteDemoCatalogue(Root());
    }
    static void TearDownTestSuite() { FDir.reset(); }
    static std::string Root() { return FDir->path().toStdString() + "/dane"; }
    static std::string File(const std::string& name) { return Root() + "/" + name; }

    static int ItemCount(int page) {
        TMemIniFile info(File("info.ini"));
        return info.GetNumber(std::to_string(page), "Items", -1);
    }

    static std::unique_ptr<QTemporaryDir> FDir;
};

std::unique_ptr<QTemporaryDir> DemoCatalogueTest::FDir;

TEST_F(DemoCatalogueTest, StagePicturesFillTheStage) {
    std::vector<std::string> names = {"p_menu.jpg", "p_spis.jpg"};
    for (int page = 1; page <= 10; ++page) names.push_back("p_" + std::to_string(page) + ".jpg");
    for (const std::string& name : names) {
        const QImage image = Load(File(name));
        ASSERT_FALSE(image.isNull()) << name;
        EXPECT_EQ(image.size(), QSize(1024, 768)) << name;
    }
}

TEST_F(DemoCatalogueTest, PageListNamesEveryItemPictureAndNoMore) {
    int larger = 0, smaller = 0;
    for (int page = 1; page <= 10; ++page) {
        const int count = ItemCount(page);
        EXPECT_GE(count, 2) << "page " << page;
        EXPECT_LE(count, 5) << "page " << page;
        for (int item = 1; item <= count; ++item) {
            const std::string stem = std::to_string(page) + "_" + std::to_string(item);
            const QImage image = Load(File("p_" + stem + ".jpg"));
            ASSERT_FALSE(image.isNull()) << stem;
            EXPECT_TRUE(Exists(File(stem + ".ini"))) << stem;
            if (image.width() > kItemView.width() && image.height() > kItemView.height()) ++larger;
            if (image.width() < kItemView.width() && image.height() < kItemView.height()) ++smaller;
        }
        const std::string next = std::to_string(page) + "_" + std::to_string(count + 1);
        EXPECT_FALSE(Exists(File("p_" + next + ".jpg"))) << next;
        EXPECT_FALSE(Exists(File(next + ".ini"))) << next;
    }
    // Both kinds are needed: pictures that scroll in the item view and pictures that fit it.
    EXPECT_GT(larger, 0);
    EXPECT_GT(smaller, 0);
}

TEST_F(DemoCatalogueTest, HotspotsLieInsideTheirPictureApartAndNameASignPicture) {
    for (int page = 1; page <= 10; ++page) {
        for (int item = 1; item <= ItemCount(page); ++item) {
            const std::string stem = std::to_string(page) + "_" + std::to_string(item);
            const QImage image = Load(File("p_" + stem + ".jpg"));
            int count = 0;
            const std::vector<Hotspot> spots = ReadHotspots(File(stem + ".ini"), count);
            EXPECT_GT(count, 0) << stem;
            // The count is exact: the section after the last one is absent.
            TMemIniFile ini(File(stem + ".ini"));
            EXPECT_EQ(ini.GetValue(std::to_string(count + 1), "opis", "absent"), "absent") << stem;
            for (size_t i = 0; i < spots.size(); ++i) {
                const Hotspot& h = spots[i];
                SCOPED_TRACE(stem + " hotspot " + std::to_string(i + 1) + " " + h.Opis);
                EXPECT_GT(h.Width, 0);
                EXPECT_GT(h.Height, 0);
                EXPECT_TRUE(image.rect().contains(h.Rect())) << h.Left << "," << h.Top << " " << h.Width << "x" << h.Height;
                EXPECT_TRUE(Exists(File("znaki/" + h.Opis + ".jpg")));
                for (size_t j = 0; j < i; ++j) EXPECT_FALSE(h.Rect().intersects(spots[j].Rect())) << "overlaps " << j + 1;
            }
        }
    }
}

TEST_F(DemoCatalogueTest, BoardHotspotsFitTheirSignsClosely) {
    // On the plain boards a sign must reach every edge of its hotspot, and nothing of it may spill out.
    int boards = 0;
    for (int page = 1; page <= 10; ++page) {
        for (const ItemInfo& item : Items(page)) {
            if (item.Kind != ItemKind::Board) continue;
            ++boards;
            const std::string stem = std::to_string(page) + "_" + std::to_string(item.Item);
            const QImage image = Load(File("p_" + stem + ".jpg"));
            int count = 0;
            const QRgb board = image.pixel(image.width() - 3, image.height() - 3);
            for (const Hotspot& h : ReadHotspots(File(stem + ".ini"), count)) {
                SCOPED_TRACE(stem + " " + h.Opis);
                const QRect r = h.Rect();
                EXPECT_GT(ShareUnlike(image, QRect(r.left(), r.top(), r.width(), 4), board), 0.0) << "top";
                EXPECT_GT(ShareUnlike(image, QRect(r.left(), r.bottom() - 3, r.width(), 4), board), 0.0) << "bottom";
                EXPECT_GT(ShareUnlike(image, QRect(r.left(), r.top(), 4, r.height()), board), 0.0) << "left";
                EXPECT_GT(ShareUnlike(image, QRect(r.right() - 3, r.top(), 4, r.height()), board), 0.0) << "right";
                EXPECT_LT(ShareUnlike(image, QRect(r.left(), r.top() - 4, r.width(), 1), board), 0.05) << "above";
                EXPECT_LT(ShareUnlike(image, QRect(r.left(), r.bottom() + 4, r.width(), 1), board), 0.05) << "below";
                EXPECT_LT(ShareUnlike(image, QRect(r.left() - 4, r.top(), 1, r.height()), board), 0.05) << "left of";
                EXPECT_LT(ShareUnlike(image, QRect(r.right() + 4, r.top(), 1, r.height()), board), 0.05) << "right of";
            }
        }
    }
    EXPECT_GT(boards, 5);
}

TEST_F(DemoCatalogueTest, SignPicturesDecodeAndAFewNeedShrinking) {
    int larger = 0, pictures = 0;
    for (const QFileInfo& file : QDir(QString::fromStdString(File("znaki"))).entryInfoList(QDir::Files)) {
        ++pictures;
        const QImage image = Load(file.filePath().toStdString());
        ASSERT_FALSE(image.isNull()) << file.fileName().toStdString();
        if (image.width() > 804 || image.height() > 591) ++larger;
    }
    EXPECT_EQ(pictures, static_cast<int>(Signs().size()));
    EXPECT_GT(larger, 0);
    EXPECT_LT(larger * 4, pictures);
}

TEST_F(DemoCatalogueTest, CaptionListIsWindows1250WithOneLinePerSignPicture) {
    const std::string bytes = ReadBytes(File("znaki.txt"));
    ASSERT_FALSE(bytes.empty());
    // CR LF after every line and nowhere a lone LF or CR.
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n') {
            ASSERT_TRUE(i > 0 && bytes[i - 1] == '\r') << "lone LF at " << i;
        }
        if (bytes[i] == '\r') {
            ASSERT_TRUE(i + 1 < bytes.size() && bytes[i + 1] == '\n') << "lone CR at " << i;
        }
    }
    EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
    const QString text = FromWin1250(bytes);
    EXPECT_EQ(ToWin1250(text), bytes);
    EXPECT_TRUE(text.contains(QString::fromUtf8("A-1 niebezpieczny zakręt w prawo")));
    EXPECT_TRUE(text.contains(QString::fromUtf8("krzyż św. Andrzeja")));
    EXPECT_EQ(bytes.find("\xC4\x99"), std::string::npos) << "UTF-8 bytes in the caption list";

    TStringList lines;
    lines.SplitLines(bytes);
    std::set<std::string> named;
    for (const std::string& line : lines.Lines()) {
        const size_t tab = line.find('\t');
        ASSERT_NE(tab, std::string::npos) << line;
        EXPECT_TRUE(named.insert(line.substr(0, tab)).second) << "twice: " << line;
        EXPECT_TRUE(Exists(File("znaki/" + line.substr(0, tab)))) << line;
    }
    // The lookup takes the first line containing name + ".jpg": it must be the sign's own line,
    // not a longer name that ends the same way.
    for (const QFileInfo& file : QDir(QString::fromStdString(File("znaki"))).entryInfoList(QDir::Files)) {
        const std::string name = file.completeBaseName().toStdString();
        const std::string* found = nullptr;
        for (const std::string& line : lines.Lines())
            if (line.find(name + ".jpg") != std::string::npos) {
                found = &line;
                break;
            }
        ASSERT_NE(found, nullptr) << name;
        EXPECT_EQ(found->substr(0, found->find('\t') + 1 + name.size() + 1), name + ".jpg\t" + name + " ") << name;
    }
}

TEST_F(DemoCatalogueTest, IntroductionIsPlainAsciiRtfThatReadsBackInPolish) {
    const std::string rtf = ReadBytes(File("opis.rtf"));
    ASSERT_EQ(rtf.rfind("{\\rtf1\\ansi\\ansicpg1250", 0), 0u);
    int depth = 0;
    for (unsigned char c : rtf) {
        EXPECT_LT(c, 0x80);
        if (c == '{') ++depth;
        if (c == '}') {
            ASSERT_GT(depth--, 0);
        }
    }
    EXPECT_EQ(depth, 0);
    EXPECT_NE(rtf.find("\\'bf"), std::string::npos);  // ż

    QTextDocument document;
    ReadRtf(rtf, document);
    const QString text = document.toRawText();
    EXPECT_TRUE(text.contains(QString::fromUtf8("Polskie znaki drogowe")));
    EXPECT_TRUE(text.contains(QString::fromUtf8("Życzymy bezpiecznej jazdy!")));
    EXPECT_TRUE(text.contains(QString::fromUtf8("150\u00A0–\u00A0300 m")));
    bool bold = false, italic = false;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            bold |= it.fragment().charFormat().fontWeight() >= QFont::Bold;
            italic |= it.fragment().charFormat().fontItalic();
        }
    EXPECT_TRUE(bold);
    EXPECT_TRUE(italic);
}

TEST_F(DemoCatalogueTest, StagePicturesLineUpWithTheLinkAreas) {
    const QImage menu = Load(File("p_menu.jpg"));
    // The introduction is shown over this area: nothing may show through at its edges.
    EXPECT_EQ(ShareUnlike(menu, kIntroView, qRgb(255, 255, 255)), 0.0);

    for (int page = 1; page <= 10; ++page) {
        SCOPED_TRACE("page " + std::to_string(page));
        const QImage image = Load(File("p_" + std::to_string(page) + ".jpg"));
        // White counter text needs a dark ground; the item links carry their arrows.
        EXPECT_LT(MeanLuma(image, kCounter), 80.0);
        EXPECT_LT(MeanLuma(image, kPreviousLink), 110.0);
        EXPECT_GT(ShareUnlike(image, kPreviousLink, image.pixel(kPreviousLink.topLeft())), 0.02);
        EXPECT_GT(ShareUnlike(image, kNextLink, image.pixel(kNextLink.topLeft())), 0.02);
        // The chapter shown is the one marked in the column, inside the link that leads to it.
        for (const Link& link : kChapterLinks) {
            const double luma = MeanLuma(image, link.Rect.adjusted(8, 4, -8, -4));
            if (link.Tag == page) {
                EXPECT_LT(luma, 130.0) << "link " << link.Tag;
            } else {
                EXPECT_GT(luma, 180.0) << "link " << link.Tag;
            }
        }
    }

    const QImage index = Load(File("p_spis.jpg"));
    for (int chapter = 1; chapter <= 10; ++chapter) {
        const QRect entry = IndexEntry(chapter);
        EXPECT_GT(ShareUnlike(index, entry, index.pixel(entry.left() + 2, entry.top() + 4)), 0.05) << chapter;
    }
    for (const QImage* screen : {&menu, &index}) {
        for (const Link& link : kChapterLinks)
            EXPECT_GT(MeanLuma(*screen, link.Rect.adjusted(8, 4, -8, -4)), 180.0) << "link " << link.Tag;
        EXPECT_GT(ShareUnlike(*screen, kCloseLink, screen->pixel(kCloseLink.center())), 0.02);
        EXPECT_GT(ShareUnlike(*screen, kIndexLink, screen->pixel(kIndexLink.center())), 0.02);
        // The publisher's mark shows in the part of its area that the close link leaves free.
        const QRect mark(0, kCloseLink.bottom() + 1, kWebLink.width(), kWebLink.bottom() - kCloseLink.bottom());
        EXPECT_GT(ShareUnlike(*screen, mark, screen->pixel(mark.right(), mark.top())), 0.02);
    }
}

TEST_F(DemoCatalogueTest, TwoRunsWriteTheSameBytes) {
    QTemporaryDir other;
    ASSERT_TRUE(other.isValid());
    const std::string root = other.path().toStdString() + "/dane";
    WriteDemoCatalogue(root);
    std::vector<std::string> names;
    for (const char* sub : {"", "znaki/"}) {
        const QDir dir(QString::fromStdString(File(sub)));
        for (const QString& name : dir.entryList(QDir::Files, QDir::Name)) names.push_back(sub + name.toStdString());
        EXPECT_EQ(dir.entryList(QDir::Files, QDir::Name),
                  QDir(QString::fromStdString(root + "/" + sub)).entryList(QDir::Files, QDir::Name));
    }
    EXPECT_GT(names.size(), 100u);
    for (const std::string& name : names) EXPECT_TRUE(ReadBytes(File(name)) == ReadBytes(root + "/" + name)) << name;
}

TEST_F(DemoCatalogueTest, WritingWhereAFileStandsFails) {
    QTemporaryDir other;
    const std::string blocked = other.path().toStdString() + "/blocked";
    QFile file(QString::fromStdString(blocked));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_THROW(WriteDemoCatalogue(blocked), EDemoWriteError);
}

}  // namespace
}  // namespace velmora::demo
