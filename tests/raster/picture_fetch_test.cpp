// Pictures decoded ahead of being shown: what a fetch hands over must be exactly what loading the file
// would have given, with the same notifications, and anything else must leave the bitmap alone.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "raster/bitmap32.h"
#include "raster/picture.h"
#include "raster/picture_fetch.h"
#include "tests/support/jpeg_encode.h"
#include "tests/support/temp_dir.h"
#include "tests/support/unusual_files.h"

using namespace velmora;
using velmora::testing::Encode;
using velmora::testing::EncodeOptions;
using velmora::testing::TempDir;

namespace {

std::string WriteJpeg(const TempDir& dir, const std::string& name, int width, int height) {
    EncodeOptions o;
    o.Width = width;
    o.Height = height;
    const std::vector<uint8_t> bytes = Encode(o);
    const std::string path = dir.File(name);
    TempDir::Write(path, std::string(bytes.begin(), bytes.end()));
    return path;
}

std::vector<TColor32> PixelsOf(const TBitmap32& b) {
    if (b.IsEmpty()) return {};
    return {b.PixelData(), b.PixelData() + static_cast<size_t>(b.Width()) * b.Height()};
}

// Counts what a bitmap reports.
struct Events {
    explicit Events(TBitmap32& b) {
        b.OnChange = [this](TNotifiablePersistent*) { ++changes; };
        b.OnResize = [this](TNotifiablePersistent*) { ++resizes; };
        b.OnHandleChanged = [this](TNotifiablePersistent*) { ++handles; };
    }
    int changes = 0, resizes = 0, handles = 0;
};

void FillWith(TBitmap32& b, int width, int height, TColor32 color) {
    b.SetDimensions(width, height);
    b.FillAll(color);
}

}  // namespace

TEST(PictureFetch, HandsOverWhatLoadingTheFileGivesWithTheSameNotifications) {
    TempDir dir;
    const std::string path = WriteJpeg(dir, "a.jpg", 90, 70);
    for (const bool worker : {true, false}) {
        for (const int oldWidth : {40, 90}) {  // a new size, then the same size
            SCOPED_TRACE(std::string(worker ? "worker" : "same thread") + ", old width " + std::to_string(oldWidth));
            TBitmap32 loaded, fetched;
            FillWith(loaded, oldWidth, 70, 0xFF123456u);
            FillWith(fetched, oldWidth, 70, 0xFF123456u);
            Events loadedEvents(loaded), fetchedEvents(fetched);
            loaded.LoadPictureFile(path);

            TPictureFetch fetch;
            if (worker) fetch.Start(path); else fetch.Load(path);
            ASSERT_TRUE(fetch.TakeInto(path, fetched));
            EXPECT_EQ(fetched.Width(), 90);
            EXPECT_EQ(fetched.Height(), 70);
            EXPECT_EQ(PixelsOf(fetched), PixelsOf(loaded));
            EXPECT_EQ(fetchedEvents.changes, loadedEvents.changes);
            EXPECT_EQ(fetchedEvents.resizes, loadedEvents.resizes);
            // Loading keeps memory that fits; handing over always moves it, and says so.
            EXPECT_GE(fetchedEvents.handles, 1);
            EXPECT_EQ(fetched.ClipBounds(), fetched.FullRect());
            // Used up: a second take hands over nothing.
            EXPECT_FALSE(fetch.TakeInto(path, fetched));
        }
    }
}

TEST(PictureFetch, AnotherFileAFailedDecodeOrACancelLeaveTheBitmapAlone) {
    TempDir dir;
    const std::string good = WriteJpeg(dir, "good.jpg", 30, 20);
    const std::string other = WriteJpeg(dir, "other.jpg", 30, 20);
    TempDir::Write(dir.File("bad.jpg"), "not a picture at all");
    TBitmap32 target;
    FillWith(target, 5, 4, 0xFFABCDEFu);
    const std::vector<TColor32> before = PixelsOf(target);
    Events events(target);
    TPictureFetch fetch;

    fetch.Start(good);
    EXPECT_FALSE(fetch.TakeInto(other, target));
    fetch.Start(dir.File("bad.jpg"));
    EXPECT_FALSE(fetch.TakeInto(dir.File("bad.jpg"), target));
    fetch.Load(dir.File("missing.jpg"));
    EXPECT_FALSE(fetch.TakeInto(dir.File("missing.jpg"), target));
    fetch.Start(good);
    fetch.Cancel();
    EXPECT_FALSE(fetch.TakeInto(good, target));
    EXPECT_TRUE(fetch.Path().empty());

    EXPECT_EQ(PixelsOf(target), before);
    EXPECT_EQ(events.changes + events.resizes + events.handles, 0);
    // The caller's own load is what reports a damaged file.
    EXPECT_ANY_THROW(target.LoadPictureFile(dir.File("bad.jpg")));
}

TEST(PictureFetch, RepeatedFetchesReuseTheMemoryOfThePicturesTheyReplace) {
    TempDir dir;
    const std::string a = WriteJpeg(dir, "a.jpg", 64, 48);
    const std::string b = WriteJpeg(dir, "b.jpg", 48, 64);
    TBitmap32 target, reference;
    TPictureFetch fetch;
    std::vector<const TColor32*> memory;
    for (int round = 0; round < 4; ++round) {
        const std::string& path = round % 2 ? b : a;
        fetch.Start(path);
        ASSERT_TRUE(fetch.TakeInto(path, target));
        reference.LoadPictureFile(path);
        EXPECT_EQ(PixelsOf(target), PixelsOf(reference));
        memory.push_back(target.PixelData());
    }
    // Two blocks of memory take turns: no fresh allocation per picture.
    EXPECT_EQ(memory[2], memory[0]);
    EXPECT_EQ(memory[3], memory[1]);
    EXPECT_NE(memory[0], memory[1]);
}

TEST(PictureFetch, AFetchStillDecodingIsWaitedForWhenReplacedOrDestroyed) {
    TempDir dir;
    const std::string big = WriteJpeg(dir, "big.jpg", 1600, 1200);
    const std::string small = WriteJpeg(dir, "small.jpg", 16, 12);
    TBitmap32 target;
    {
        TPictureFetch fetch;
        fetch.Start(big);
        fetch.Start(small);  // replaces the running one
        ASSERT_TRUE(fetch.TakeInto(small, target));
        EXPECT_EQ(target.Width(), 16);
        fetch.Start(big);  // left running as the fetch goes
    }
    SUCCEED();
}

// A FIFO, a device or a huge file under a picture's name: the load is refused at once, on either
// thread, and never blocks in opening the file.
TEST(PictureFetch, UnusualFilesAreRefusedAtOnceOnEitherThread) {
    using namespace velmora::testing;
    const struct {
        TUnusualFile File;
        const char* Cause;
    } rows[] = {
        {UnusualFiles[0], "Not a regular file"},
        {UnusualFiles[1], "Not a regular file"},
        {UnusualFiles[2], "File too large"},
    };
    TempDir dir;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.File.Kind);
        const std::string path = dir.File(std::string(row.File.Kind) + ".jpg");
        ASSERT_TRUE(row.File.Make(path));
        TBitmap32 target;
        FillWith(target, 5, 4, 0xFFABCDEFu);
        const std::vector<TColor32> before = PixelsOf(target);

        std::string message = "loaded";
        ExpectPrompt(std::string("picture_") + row.File.Kind, TimeTaken(path, [&] {
                         try {
                             target.LoadPictureFile(path);
                         } catch (const EFileStreamOpenError& e) {
                             message = e.what();
                         }
                     }));
        EXPECT_EQ(message, "Cannot open file \"" + path + "\". " + row.Cause);

        TPictureFetch fetch;
        const std::pair<const char*, std::function<void()>> starts[] = {
            {"worker", [&] { fetch.Start(path); }},
            {"same_thread", [&] { fetch.Load(path); }},
        };
        for (const auto& [thread, start] : starts) {
            ExpectPrompt(std::string("fetch_") + thread + "_" + row.File.Kind, TimeTaken(path, [&] {
                             start();
                             EXPECT_FALSE(fetch.TakeInto(path, target));
                         }));
        }
        EXPECT_EQ(PixelsOf(target), before);
    }
}

TEST(TakePixelsFrom, MovesSizeAndPixelsAndEmptiesTheSource) {
    TBitmap32 source, target;
    FillWith(source, 7, 3, 0xFF00FF00u);
    FillWith(target, 2, 2, 0xFFFF0000u);
    source.SetDrawMode(TDrawMode::dmBlend);
    target.TakePixelsFrom(source);
    EXPECT_EQ(target.Width(), 7);
    EXPECT_EQ(target.Height(), 3);
    EXPECT_EQ(PixelsOf(target), std::vector<TColor32>(21, 0xFF00FF00u));
    // Settings are not pixels: each keeps its own.
    EXPECT_EQ(target.DrawMode(), TDrawMode::dmOpaque);
    EXPECT_EQ(source.DrawMode(), TDrawMode::dmBlend);
    EXPECT_TRUE(source.IsEmpty());
    EXPECT_EQ(source.PixelData(), nullptr);
    EXPECT_TRUE(source.ClipBounds().IsEmpty());
    // The source can be used again straight away.
    FillWith(source, 2, 2, 0xFF0000FFu);
    EXPECT_EQ(source.PixelAt(1, 1), 0xFF0000FFu);

    // Itself: nothing; an empty source empties the target.
    target.TakePixelsFrom(target);
    EXPECT_EQ(target.Width(), 7);
    TBitmap32 empty;
    target.TakePixelsFrom(empty);
    EXPECT_TRUE(target.IsEmpty());
}
