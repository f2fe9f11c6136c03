// A catalogue of spoilt files, written by the test, driven through the real main window under the
// offscreen platform: start-up on every kind of spoilt introduction, the menu, the index, every page
// and item, every hotspot hovered and clicked, every preview that opens, and in the editor a hotspot
// added, moved, saved and read back. The real error and warning boxes and previews open and a timer
// closes them; a watchdog ends the run when a step does not come back, and every file but the one
// saved on purpose keeps its bytes.
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/image_form.h"
#include "app/main_form.h"
#include "app/warstwa_item.h"
#include "display/custom_img_view32.h"
#include "layers/layer_collection.h"
#include "tests/support/hotspot_file.h"
#include "tests/support/jpeg_encode.h"
#include "tests/support/shown_main_form.h"
#include "tests/support/temp_dir.h"
#include "tests/support/unusual_files.h"
#include "text/mem_ini_file.h"
#include "toolkit/link_label.h"
#include "toolkit/screen_cursor.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using testing::HotspotSection;
using testing::TempDir;
using Clock = std::chrono::steady_clock;

constexpr std::chrono::seconds StepLimit(5);
constexpr std::chrono::seconds HangLimit(60);
// The limits are the release program's; the sanitizer's checks make every step some times slower.
#if defined(__SANITIZE_ADDRESS__)
constexpr int SlowerBy = 3;
#else
constexpr int SlowerBy = 1;
#endif

// --- the watchdog and the modal boxes -------------------------------------------------------------

// Times each step of the walk; a step that has not come back after HangLimit ends the process with
// its name, as nothing else could stop a window thread that is stuck.
class TStepWatch {
public:
    TStepWatch()
        : FThread([this] {
              std::unique_lock<std::mutex> lock(FMutex);
              while (!FDone) {
                  FWake.wait_for(lock, std::chrono::milliseconds(200));
                  if (FRunning && Clock::now() - FStart > HangLimit) {
                      std::fprintf(stderr, "step \"%s\" did not come back within %lld s\n", FStep.c_str(),
                                   static_cast<long long>(HangLimit.count()));
                      std::_Exit(3);
                  }
              }
          }) {}
    ~TStepWatch() {
        {
            std::lock_guard<std::mutex> lock(FMutex);
            FDone = true;
        }
        FWake.notify_all();
        FThread.join();
    }
    template <class Step>
    void Run(const std::string& name, Step&& step, std::chrono::seconds limit = StepLimit) {
        {
            std::lock_guard<std::mutex> lock(FMutex);
            FStep = name;
            FStart = Clock::now();
            FRunning = true;
        }
        step();
        const std::chrono::duration<double> taken = Clock::now() - FStart;
        {
            std::lock_guard<std::mutex> lock(FMutex);
            FRunning = false;
        }
        EXPECT_LT(taken, limit * SlowerBy) << name;
        if (taken > std::chrono::milliseconds(500)) std::printf("step \"%s\": %.2f s\n", name.c_str(), taken.count());
        if (taken > FSlowest) {
            FSlowest = taken;
            FSlowestStep = name;
        }
    }
    void Report() const {
        std::printf("slowest step: %s, %.2f s\n", FSlowestStep.c_str(), FSlowest.count());
        ::testing::Test::RecordProperty("slowest_step_ms", static_cast<int>(FSlowest.count() * 1000));
    }

private:
    std::mutex FMutex;
    std::condition_variable FWake;
    bool FDone = false;
    bool FRunning = false;
    std::string FStep;
    Clock::time_point FStart;
    std::chrono::duration<double> FSlowest{0};
    std::string FSlowestStep;
    std::thread FThread;
};

// Whatever the window opens modally, a repeating timer looks at and closes: message boxes by their
// OK button, previews by a click on the picture, as a user would.
class TModalCloser {
public:
    TModalCloser() {
        QObject::connect(&FTimer, &QTimer::timeout, [this] { CloseModal(); });
        FTimer.start(10);
    }
    // "error|title|text", "warning|title|text" or "preview|caption", in the order they opened.
    std::vector<std::string> Take() { return std::exchange(FSeen, {}); }

private:
    void CloseModal() {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr) return;
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            const char* kind = box->icon() == QMessageBox::Critical  ? "error"
                               : box->icon() == QMessageBox::Warning ? "warning"
                                                                     : "other";
            FSeen.push_back(std::string(kind) + "|" + box->windowTitle().toStdString() + "|" + box->text().toStdString());
            box->button(QMessageBox::Ok)->click();
        } else if (auto* preview = dynamic_cast<TImageForm*>(modal)) {
            // A preview is freed after it closes, and the next may come at the same address.
            if (!preview->property("velmoraSeen").toBool()) {
                preview->setProperty("velmoraSeen", true);
                FSeen.push_back("preview|" + preview->OpisLabel->Caption());
                EXPECT_GT(preview->ShowImage->Bitmap().Width(), 0) << "a preview shows its picture";
            }
            QTest::mouseClick(preview->ShowImage, Qt::LeftButton, {}, QPoint(5, 5));
        } else {
            FSeen.push_back("other|" + modal->windowTitle().toStdString());
            modal->close();
        }
    }

    QTimer FTimer;
    std::vector<std::string> FSeen;
};

// --- the catalogue --------------------------------------------------------------------------------

std::string Jpeg(int width, int height, bool cmyk = false) {
    return testing::EncodeText({.Width = width, .Height = height, .Cmyk = cmyk});
}

std::string Repeated(const std::string& piece, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) text += piece;
    return text;
}

std::string HostilePicture(const char* name) { return TempDir::Read(std::string(VELMORA_HOSTILE_PICTURES) + "/" + name); }

const std::string LongName(10000, 'a');
constexpr int OrdinaryHotspots = 12;

// The descriptions of item 1 of page 1, bottom first, with the caption of the preview each one opens
// ("" for none), whether pointing at it shows the hand, and the box its click opens ("" for none).
struct TSign {
    std::string Opis;
    std::string Caption;
    bool Hand;
    std::string Box;
};

std::vector<TSign> Signs(const std::string& appDir) {
    return {
        {"A-1", "Uwaga, zakr\xEAt", true, ""},
        {"B-2", "B-2.jpg bez tabulatora", true, ""},
        {"NUL", "z", true, ""},  // a NUL byte ends the caption list
        {"missing", "", false, ""},
        {"../../outside", "", false, ""},
        {appDir + "abs", "", false, ""},
        {LongName, "", false, ""},
        {"link", "", false, ""},
        {"broken", "", true, "error|Velmora - Holvenor|JPEG error #53."},
        {"cmyk", "Druk", true, ""},
        {"bomb", "", true,
         "error|Velmora - Holvenor|JPEG picture \"" + appDir + "dane/znaki/bomb.jpg\" needs more than 512 MB to decode."},
        {"wide", "Szeroki", true, ""},
    };
}

void WriteCatalogue(const std::string& appDir) {
    const std::string dane = appDir + "dane/";
    const auto write = [&](const std::string& name, const std::string& bytes) { TempDir::Write(dane + name, bytes); };
    const std::string picture = Jpeg(760, 500);

    // The page list: a byte-order mark hiding its first section, binary junk, 100,000 sections, a
    // 10 MB line and a NUL byte, after which nothing is read, around the real counts.
    std::string info = "\xEF\xBB\xBF[1]\r\nItems=99\r\n\x01\x02\xFF\xFE junk line\r\n";
    for (int page = 1; page <= 9; ++page) info += "[" + std::to_string(page) + "]\r\nItems=3\r\n";
    info += "[3]\r\nItems=abc\r\n[10]\r\nItems=-3\r\n";
    for (int i = 0; i < 100000; ++i) info += "[s" + std::to_string(i) + "]\r\nk=" + std::to_string(i) + "\r\n";
    info += "long=" + std::string(10 << 20, 'x') + "\r\n";
    info += "\0\r\n[1]\r\nItems=1\r\n"s;
    write("info.ini", info);
    // Captions: a junk line, a caption without a TAB, one cut short by a NUL byte that ends the list.
    write("znaki.txt", "\x01\x02 bez tabulatora\r\nA-1.jpg\tUwaga, zakr\xEAt\r\nB-2.jpg bez tabulatora\r\n"
                       "cmyk.jpg\tDruk\r\nwide.jpg\tSzeroki\r\nNUL.jpg\tz\0bajtem\r\nA-1.jpg\tnever read\r\n"s);
    write("opis.rtf", "{\\rtf1 " + std::string(100000, '{') + "Wst\\'eap" + std::string(100000, '}') + "}}}}{{{");

    write("p_menu.jpg", Jpeg(1024, 768));
    write("p_spis.jpg", Jpeg(1024, 768));
    // A spoilt item is reached from a good first item, by the next link (item 2) or the previous link
    // (the last item): whether the numbers go back after a missing item is the navigator's choice.
    // Page 1: ordinary hotspots, hostile numbers on a CMYK picture, a picture cut short in its data.
    write("p_1.jpg", Jpeg(1024, 768));
    write("p_1_1.jpg", picture);
    std::string ordinary = "[info]\r\ncount=" + std::to_string(OrdinaryHotspots) + "\r\n";
    const std::vector<TSign> signs = Signs(appDir);
    for (int i = 0; i < OrdinaryHotspots; ++i)
        ordinary += HotspotSection(i + 1, 20 + 60 * i, 220, 50, 50, signs[i].Opis);
    write("1_1.ini", ordinary);
    write("p_1_2.jpg", Jpeg(760, 500, true));
    write("1_2.ini", "[info]\r\ncount=8\r\n" + HotspotSection(1, "abc", "10", "NaN", "50", "A-1") +
                         HotspotSection(2, "2147483647", "-2147483648", "2147483647", "2147483647", "A-1") +
                         HotspotSection(3, "10", "10", "-40", "-40", "A-1") +
                         HotspotSection(4, "1e309", "inf", "1.5", "0x10", "A-1") +
                         HotspotSection(5, "100", "100", "20", "20", "A-1") +
                         HotspotSection(5, "300", "300", "20", "20", "B-2") +
                         HotspotSection(7, "50", "50", "2147483647", "2147483647", "A-1") +
                         HotspotSection(8, "0", "0", "0", "0", LongName));
    write("p_1_3.jpg", picture.substr(0, picture.size() / 2));
    // Page 2: item pictures that are no files.
    write("p_2.jpg", Jpeg(1024, 768));
    write("p_2_1.jpg", picture);
    fs::create_directories(dane + "p_2_2.jpg");
    testing::MakeFifo(dane + "p_2_3.jpg");
    // Pages 3, 4, 5 and 6: stage pictures that describe huge work, are a directory, a FIFO, or are cut
    // short; page 6 has the small item pictures that describe huge work.
    write("p_3.jpg", HostilePicture("progressive_header_16384.jpg"));
    fs::create_directories(dane + "p_4.jpg");
    testing::MakeFifo(dane + "p_5.jpg");
    write("p_6.jpg", Jpeg(1024, 768).substr(0, 20000));
    write("p_6_1.jpg", Jpeg(300, 200, true));
    write("p_6_2.jpg", HostilePicture("baseline_header_31528x5400.jpg"));
    write("p_6_3.jpg", HostilePicture("empty_scans_3000_4096.jpg"));
    // Page 7: hotspot counts negative, 100,000 real ones, and a million over one empty section.
    write("p_7.jpg", Jpeg(1024, 768));
    for (const char* item : {"p_7_1.jpg", "p_7_2.jpg", "p_7_3.jpg"}) write(item, picture);
    write("7_1.ini", "[info]\r\ncount=-5\r\n" + HotspotSection(1, "10", "10", "50", "50", "A-1"));
    std::string many = "[info]\r\ncount=100000\r\n";
    for (int i = 0; i < 100000; ++i)
        many += HotspotSection(i + 1, i % 700, i % 450, 40, 40, "A-1");
    write("7_2.ini", many);
    write("7_3.ini", "[info]\r\ncount=1000000\r\n[1000000]\r\n");
    // Page 8: a count of 2^31 - 1 without sections, a picture cut inside its headers, a link to
    // /dev/zero. Page 9: an empty picture and one of another kind.
    write("p_8.jpg", Jpeg(1024, 768));
    write("p_8_1.jpg", picture);
    write("8_1.ini", "[info]\r\ncount=2147483647\r\n");
    write("p_8_2.jpg", picture.substr(0, 100));
    testing::MakeLinkToDevZero(dane + "p_8_3.jpg");
    write("p_9.jpg", Jpeg(1024, 768));
    write("p_9_1.jpg", picture);
    write("p_9_2.jpg", "");
    write("p_9_3.jpg", "\x89PNG\r\n\x1a\n not a picture at all");

    // Sign pictures, and pictures outside the sign folder that no description may reach.
    write("znaki/A-1.jpg", Jpeg(200, 150));
    write("znaki/B-2.jpg", Jpeg(120, 120));
    write("znaki/NUL.jpg", Jpeg(80, 80));
    write("znaki/cmyk.jpg", Jpeg(150, 100, true));
    write("znaki/wide.jpg", Jpeg(805, 100));
    write("znaki/broken.jpg", "not a JPEG");
    write("znaki/bomb.jpg", HostilePicture("progressive_header_16384.jpg"));
    TempDir::Write(appDir + "outside.jpg", Jpeg(100, 100));
    TempDir::Write(appDir + "abs.jpg", Jpeg(100, 100));
    fs::create_symlink(appDir + "outside.jpg", dane + "znaki/link.jpg");
}

// Every entry under dir, without following links or opening anything but regular files.
std::map<std::string, std::string> Snapshot(const fs::path& dir) {
    std::map<std::string, std::string> entries;
    for (auto it = fs::recursive_directory_iterator(dir); it != fs::recursive_directory_iterator(); ++it) {
        const fs::file_status status = it->symlink_status();
        const std::string name = it->path().string();
        if (fs::is_symlink(status)) entries[name] = "link to " + fs::read_symlink(it->path()).string();
        else if (fs::is_regular_file(status)) entries[name] = TempDir::Read(name);
        else entries[name] = "kind " + std::to_string(static_cast<int>(status.type()));
    }
    return entries;
}

long PeakMemoryKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
    return -1;
}

// --- the walk -------------------------------------------------------------------------------------

class HostileCatalogueTest : public testing::TShownMainFormTest {
protected:
    void SetUp() override {
        TShownMainFormTest::SetUp();
        WriteCatalogue(FDir.Dir());
    }

    TMainForm& Open(bool editor) {
        FForm.reset();
        ShowForm(FDir.Dir(), editor);
        FForm->grab();  // the first paint
        return *FForm;
    }
    void ClickName(const char* name) { Click(FForm->FindControl(name)); }
    void Hover(QWidget* control) { QTest::mouseMove(FForm->windowHandle(), InWindow(control, control->rect().center())); }
    TLayerCollection& Layers() { return FForm->sub_image->LayerCollection(); }
    TWarstwaItem* Hotspot(int index) { return dynamic_cast<TWarstwaItem*>(Layers().LayerAt(index)); }
    std::string Dane(const std::string& name) const { return FDir.Dir() + "dane/" + name; }
    std::string Error(const std::string& text) const { return "error|Velmora - Holvenor|" + text; }

    // Points at and clicks hotspots of the item shown: each one whose middle lies in the visible part
    // of the view, or every step-th of a long list.
    std::vector<std::string> PointAndClick(int step = 1) {
        std::vector<std::string> seen;
        const int count = Layers().LayerCount();
        for (int i = 0; i < count; i += step) {
            const TSingleRect e = Hotspot(i)->Extent();
            const double x = (double(e.Left) + e.Right) / 2, y = (double(e.Top) + e.Bottom) / 2;
            if (!(x >= 1 && y >= 1 && x < 755 && y < 626)) continue;
            const QPoint at = InWindow(FForm->sub_image, QPoint(static_cast<int>(x), static_cast<int>(y)));
            QTest::mouseMove(FForm->windowHandle(), at);
            FHands.push_back(Screen().Cursor() == crHandPoint);
            QTest::mouseClick(FForm->windowHandle(), Qt::LeftButton, Qt::NoModifier, at);
            for (std::string& box : FCloser.Take()) seen.push_back(std::move(box));
        }
        QTest::mouseMove(FForm->windowHandle(), QPoint(1000, 5));
        return seen;
    }

    TempDir FDir;
    TModalCloser FCloser;
    TStepWatch FWatch;
    std::vector<bool> FHands;
};

TEST_F(HostileCatalogueTest, EveryScreenItemAndHotspotShowsWhatItCanAndReportsTheRest) {
    const std::string appDir = FDir.Dir();
    const auto before = Snapshot(appDir);

    // Start-up on the introduction of nested and unbalanced groups, then on introductions whose runs,
    // font switches, paragraphs and line breaks once kept the window from its first paint.
    const std::string intro = TempDir::Read(Dane("opis.rtf"));
    const std::vector<std::pair<const char*, std::string>> intros = {
        {"bold switches", "{\\rtf1 " + Repeated("\\b a\\b0 b", 25000) + "}"},
        {"font switches", "{\\rtf1{\\fonttbl{\\f0 Tahoma;}{\\f1 Verdana;}}" + Repeated("\\f1 a\\f0 b", 50000) + "}"},
        {"paragraphs", "{\\rtf1 " + Repeated("\\par", 450000) + "}"},
        {"line breaks", "{\\rtf1 " + Repeated("\\line", 800000) + "}"},
    };
    for (const auto& [name, rtf] : intros) {
        TempDir::Write(Dane("opis.rtf"), rtf);
        FWatch.Run(std::string("start-up with ") + name, [&] { Open(false); });
        EXPECT_FALSE(FForm->opis->toPlainText().isEmpty()) << name;
        EXPECT_EQ(FCloser.Take(), std::vector<std::string>{}) << name;
    }
    TempDir::Write(Dane("opis.rtf"), intro);
    FWatch.Run("start-up", [&] { Open(false); });
    EXPECT_TRUE(FForm->opis->toPlainText().contains(QString::fromUtf8("Wstęp")));
    EXPECT_EQ(FForm->InfoIni->GetNumber("1", "Items", 0), 3) << "the byte-order mark hides only the first section";
    EXPECT_EQ(FCloser.Take(), std::vector<std::string>{});

    // The index, every entry pointed at, then every page by its chapter link and its items by the
    // item links. After each step every hotspot of the item shown is pointed at and clicked.
    FWatch.Run("index", [&] {
        ClickName("cxLabel10");
        for (int n = 1; n <= 10; ++n) Hover(FForm->spis_[n]);
    });
    const auto tooMuch = [&](const std::string& name, const char* problem) {
        return Error("JPEG picture \"" + Dane(name) + "\" " + problem + ".");
    };
    struct TProbe {
        int Page;
        char Link;  // c: the chapter link, n: next item, p: previous item
        int Item;   // the item then shown, 0 when a picture failed or is missing
        std::vector<std::string> Boxes;
        int Layers = -1;  // -1: not counted
        int LimitSeconds = StepLimit.count();
    };
    const std::vector<TProbe> probes = {
        {1, 'c', 1, {}, OrdinaryHotspots}, {1, 'n', 2, {}, 8}, {1, 'n', 3, {}, 0}, {1, 'n', 1, {}, OrdinaryHotspots},
        {2, 'c', 1, {}}, {2, 'n', 0, {}}, {2, 'c', 1, {}}, {2, 'p', 0, {}},
        {3, 'c', 0, {tooMuch("p_3.jpg", "needs more than 512 MB to decode")}},
        {4, 'c', 0, {}}, {5, 'c', 0, {}},
        {6, 'c', 1, {}}, {6, 'n', 0, {tooMuch("p_6_2.jpg", "ends long before its image data does")}},
        {6, 'c', 1, {}}, {6, 'p', 0, {tooMuch("p_6_3.jpg", "has scans that would take too long to decode")}},
        // Entering and leaving an item of 100,000 hotspots within 2 s each.
        {7, 'c', 1, {}, 0}, {7, 'n', 2, {}, 100000, 2}, {7, 'n', 3, {}, 100000, 4}, {7, 'n', 1, {}, 0, 2},
        {8, 'c', 1, {}}, {8, 'n', 0, {Error("JPEG error #51.")}}, {8, 'c', 1, {}}, {8, 'p', 0, {}},
        {9, 'c', 1, {}}, {9, 'n', 2, {}, 0}, {9, 'c', 1, {}}, {9, 'p', 0, {Error("JPEG error #53.")}},
        {10, 'c', 0, {}},
    };
    const std::string captionA = "preview|Uwaga, zakr\xEAt";
    for (const TProbe& probe : probes) {
        const std::string where = "page " + std::to_string(probe.Page) + ", " +
                                  (probe.Link == 'c' ? "chapter link" : probe.Link == 'n' ? "next item" : "previous item");
        SCOPED_TRACE(where);
        const int tag = probe.Page;
        const std::string chapter = tag == 1 ? "cxLabel1" : tag == 2 ? "s1" : "cxLabel" + std::to_string(tag - 1);
        FWatch.Run(where, [&] {
            if (probe.Link == 'c') ClickName(chapter.c_str());
            else Click(probe.Link == 'n' ? FForm->SubNextBtn : FForm->SubPrevBtn);
        }, std::chrono::seconds(probe.LimitSeconds));
        EXPECT_EQ(FCloser.Take(), probe.Boxes);
        if (probe.Item > 0) {
            EXPECT_EQ(FForm->CurrentPage, probe.Page);
            EXPECT_EQ(FForm->CurrentItem, probe.Item);
        }
        if (probe.Layers >= 0) {
            EXPECT_EQ(Layers().LayerCount(), probe.Layers);
        }
        std::vector<std::string> seen;
        FHands.clear();
        FWatch.Run("hotspots after " + where, [&] { seen = PointAndClick(Layers().LayerCount() > 1000 ? 5000 : 1); });
        if (probe.Page == 1 && probe.Item == 1) {
            std::vector<std::string> expected;
            std::vector<bool> hands;
            for (const TSign& sign : Signs(appDir)) {
                if (!sign.Caption.empty()) expected.push_back("preview|" + sign.Caption);
                if (!sign.Box.empty()) expected.push_back(sign.Box);
                hands.push_back(sign.Hand);
            }
            EXPECT_EQ(seen, expected);
            EXPECT_EQ(FHands, hands);
        } else {
            for (const std::string& box : seen) EXPECT_EQ(box, captionA);
        }
    }
    FWatch.Run("index again", [&] { ClickName("cxLabel10"); });
    EXPECT_EQ(FCloser.Take(), std::vector<std::string>{});

    // The editor: a hotspot added on page 1, item 1, dragged 100 right and 30 down, saved, read back.
    FWatch.Run("editor start-up", [&] { Open(true); });
    FCloser.Take();
    FWatch.Run("editor: entering page 1", [&] { ClickName("cxLabel1"); });
    ASSERT_EQ(Layers().LayerCount(), OrdinaryHotspots);
    FWatch.Run("editor: add, move, save", [&] {
        Click(FForm->L_Add);
        QWindow* window = FForm->windowHandle();
        QTest::mousePress(window, Qt::LeftButton, Qt::NoModifier, InWindow(FForm->sub_image, QPoint(90, 90)));
        QTest::mouseMove(window, InWindow(FForm->sub_image, QPoint(140, 105)));
        QTest::mouseMove(window, InWindow(FForm->sub_image, QPoint(190, 120)));
        QTest::mouseRelease(window, Qt::LeftButton, Qt::NoModifier, InWindow(FForm->sub_image, QPoint(190, 120)));
        Click(FForm->L_Save);
    });
    EXPECT_EQ(FCloser.Take(), std::vector<std::string>{});
    // An item past the bound of hotspots warns its author, naming the file, and leaves it as it is.
    FWatch.Run("editor: page 7", [&] { ClickName("cxLabel6"); });
    FWatch.Run("editor: 100,000 hotspots", [&] { Click(FForm->SubNextBtn); }, std::chrono::seconds(2));
    FWatch.Run("editor: a million hotspots", [&] { Click(FForm->SubNextBtn); }, std::chrono::seconds(4));
    EXPECT_EQ(FCloser.Take(), std::vector<std::string>{"warning|Warning|Plik \"" + Dane("7_3.ini") +
                                                        "\" ma 1000000 warstw; wczytano pierwsze 100000."});
    EXPECT_EQ(Layers().LayerCount(), 100000);
    FWatch.Run("editor: leaving", [&] { ClickName("cxLabel10"); }, std::chrono::seconds(2));
    FWatch.Run("reading back", [&] {
        Open(false);
        ClickName("cxLabel1");
    });
    ASSERT_EQ(Layers().LayerCount(), OrdinaryHotspots + 1);
    const TSingleRect moved = Hotspot(OrdinaryHotspots)->Extent();
    EXPECT_EQ((std::vector<float>{moved.Left, moved.Top, moved.Right, moved.Bottom}), (std::vector<float>{140, 70, 240, 170}));
    const std::vector<TSign> signs = Signs(appDir);
    for (int i = 0; i < OrdinaryHotspots; ++i) EXPECT_EQ(Hotspot(i)->Opis, signs[i].Opis) << i;
    FForm.reset();
    FCloser.Take();

    // Nothing but the saved file has changed, and nothing was added beside it.
    auto after = Snapshot(appDir);
    const std::string saved = Dane("1_1.ini");
    TMemIniFile ini(saved);
    EXPECT_EQ(ini.GetNumber("info", "count", 0), OrdinaryHotspots + 1);
    EXPECT_EQ(ini.GetValue("13", "left", ""), "140");
    EXPECT_EQ(ini.GetValue("7", "opis", ""), LongName);
    after.erase(saved);
    auto unchanged = before;
    unchanged.erase(saved);
    EXPECT_TRUE(after == unchanged) << "a file other than the saved one changed";

    FWatch.Report();
    const long peak = PeakMemoryKiB();
    std::printf("peak memory: %ld KiB\n", peak);
    ::testing::Test::RecordProperty("peak_memory_kib", static_cast<int>(peak));
#if defined(__SANITIZE_ADDRESS__)
    constexpr long PeakBoundKiB = 2L << 20;  // the sanitizer's shadow and quarantine come on top
#else
    constexpr long PeakBoundKiB = 1L << 20;
#endif
    EXPECT_LT(peak, PeakBoundKiB) << "KiB";
}

}  // namespace
}  // namespace velmora
