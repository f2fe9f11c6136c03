#include "app/web_export.h"

#include <fcntl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <system_error>
#include <unordered_map>

#include "app/catalogue_check.h"
#include "app/catalogue_walk.h"
#include "app/code_page_1250.h"
#include "app/command_line.h"
#include "app/html_text.h"
#include "app/parallel_for.h"
#include "app/web_pages.h"
#include "core/bounded_file_read.h"
#include "core/geometry.h"

namespace velmora {

namespace fs = std::filesystem;

namespace {

std::string Num(int64_t n) { return std::to_string(n); }

// A file of the site: its name below OUT and either its bytes or the catalogue file it copies.
struct TSiteFile {
    std::string Name;
    std::string Bytes;
    std::string CopyFrom;  // empty: Bytes are the content
};

// The names the export writes: a file of OUT or of its sign folder, nothing that climbs or hides.
bool IsSiteName(std::string_view name) {
    if (name.starts_with("znaki/")) name.remove_prefix(6);
    if (name.empty() || name[0] == '.') return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
               c == '.' || c == '~';
    });
}

// b is a or lies below it (both canonical).
bool Within(const fs::path& b, const fs::path& a) {
    const auto [aEnd, bAt] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
    return aEnd == a.end();
}

std::string FindingWarning(const TFinding& f) {
    std::string line = f.Path;
    if (f.Line > 0) line += ":" + Num(f.Line);
    line += ": warning: ";
    line += f.Message;
    line += " [";
    line += FindingCodeName(f.Code);
    line += "], left out";
    return line;
}

// What lies in OUT before the export: nothing, or an earlier export and the files it wrote.
struct TOutState {
    bool Exists = false;
    std::set<std::string> Earlier;  // the names of the earlier manifest
    std::string Error;
};

TOutState InspectOut(const std::string& out, bool force) {
    TOutState state;
    std::error_code error;
    const fs::file_status status = fs::status(out, error);
    if (!fs::exists(status)) {
        if (fs::is_symlink(fs::symlink_status(out, error))) state.Error = out + " is a link that leads nowhere";
        return state;
    }
    if (!fs::is_directory(status)) {
        state.Error = out + " exists and is not a directory";
        return state;
    }
    state.Exists = true;
    if (fs::directory_iterator(out, error) == fs::directory_iterator()) {
        if (error) state.Error = "cannot read " + out + ": " + error.message();
        return state;
    }
    if (!force) {
        state.Error = out + " exists and is not empty (--force replaces an earlier export there)";
        return state;
    }
    std::string manifest;
    const std::string manifestPath = (fs::path(out) / WebManifestFile).string();
    if (struct stat info {}; ::lstat(manifestPath.c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
                             ReadBoundedFile(manifestPath, MaxTextFileBytes, manifest) != 0) {
        state.Error = out + " is not empty and holds no earlier export (no " + std::string(WebManifestFile) + ")";
        return state;
    }
    for (size_t start = 0; start < manifest.size();) {
        size_t end = manifest.find('\n', start);
        if (end == std::string::npos) end = manifest.size();
        std::string_view name(manifest.data() + start, end - start);
        if (name.ends_with('\r')) name.remove_suffix(1);
        // Only names the export itself would write: a manifest edited to name "../x" removes nothing.
        if (IsSiteName(name)) state.Earlier.emplace(name);
        start = end + 1;
    }
    return state;
}

// Writes a file to a name that is free, created afresh (O_EXCL follows no link), or to one that is
// taken under a temporary name beside it, renamed into place at the end. fill writes the content to
// the descriptor and returns errno or 0; so does this.
template <class Fill>
int WriteFileAtomically(const std::string& path, Fill fill) {
    std::string temporary = (fs::path(path).parent_path() / ".velmora-XXXXXX").string();
    bool direct = true;
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0 && errno == EEXIST) {
        direct = false;
        fd = ::mkstemp(temporary.data());
        if (fd >= 0) ::fchmod(fd, 0644);
    }
    if (fd < 0) return errno;
    int result = fill(fd);
    if (::close(fd) != 0 && result == 0) result = errno;
    if (direct) {
        if (result != 0) ::unlink(path.c_str());
        return result;
    }
    if (result == 0 && ::rename(temporary.c_str(), path.c_str()) != 0) result = errno;
    if (result != 0) ::unlink(temporary.c_str());
    return result;
}

int WriteAll(int fd, std::string_view bytes) {
    for (size_t done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return n < 0 ? errno : EIO;
        done += static_cast<size_t>(n);
    }
    return 0;
}

int WriteBytes(const std::string& path, std::string_view bytes) {
    return WriteFileAtomically(path, [bytes](int fd) { return WriteAll(fd, bytes); });
}

// How the kernel copies between the catalogue's file system and the site's, learnt from the first
// file: the site on another file system refuses copy_file_range, and asking again for every file
// costs as much as copying a small one.
enum class TCopyWay : int { CopyRange, SendFile, ReadWrite };

// Copies a regular file of at most MaxPictureFileBytes byte for byte, in the kernel where it can;
// the number of bytes copied goes to copied.
int CopyFile(const std::string& from, const std::string& path, uint64_t& copied, std::atomic<TCopyWay>& way) {
    const int in = ::open(from.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (in < 0) return errno;
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{in};
    struct stat info {};
    if (::fstat(in, &info) != 0) return errno;
    if (!S_ISREG(info.st_mode)) return NotRegularFileError;
    if (info.st_size < 0 || static_cast<uintmax_t>(info.st_size) > MaxPictureFileBytes) return EFBIG;
    const auto unsupported = [](int error) {
        return error == EXDEV || error == ENOSYS || error == EINVAL || error == EOPNOTSUPP;
    };
    return WriteFileAtomically(path, [&](int out) {
        copied = 0;
        // A way refused before the first byte moves on to the next; one refused later is an error.
        const auto inKernel = [&](TCopyWay current, auto step) {
            while (way.load(std::memory_order_relaxed) == current) {
                const ssize_t n = step();
                if (n == 0) return 0;
                if (n > 0) {
                    copied += static_cast<uint64_t>(n);
                    continue;
                }
                if (errno == EINTR) continue;
                if (copied > 0 || !unsupported(errno)) return errno;
                TCopyWay expected = current;
                way.compare_exchange_strong(expected, static_cast<TCopyWay>(static_cast<int>(current) + 1));
            }
            return -1;
        };
        if (const int r = inKernel(TCopyWay::CopyRange, [&] {
                return ::copy_file_range(in, nullptr, out, nullptr, size_t(1) << 30, 0);
            });
            r >= 0)
            return r;
        if (const int r = inKernel(TCopyWay::SendFile, [&] { return ::sendfile(out, in, nullptr, size_t(1) << 30); }); r >= 0)
            return r;
        // By hand, in one buffer left uninitialised: zeroing it would cost more than the copy.
        constexpr size_t Chunk = size_t(1) << 20;
        const std::unique_ptr<char[]> buffer(new char[Chunk]);
        for (;;) {
            const ssize_t n = ::read(in, buffer.get(), Chunk);
            if (n == 0) return 0;
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return errno;
            if (const int error = WriteAll(out, std::string_view(buffer.get(), static_cast<size_t>(n)))) return error;
            copied += static_cast<uint64_t>(n);
        }
    });
}

// --- the plan of the site -------------------------------------------------------------------------

class TSitePlanner {
public:
    TSitePlanner(const TWebExportOptions& options, TCheckedCatalogue& checked, const std::vector<TFinding>& findings)
        : FOptions(options), FChecked(checked), FCatalogue(checked.Catalogue) {
        std::error_code error;
        FRoot = fs::canonical(FCatalogue.DataDir, error);
        for (const TFinding& f : findings)
            if (FindingSeverity(f.Code) == TSeverity::Error) FErrorPaths.insert(f.Path);
    }

    void Plan(TWebExportReport& report) {
        FSite.PublisherUrl = FOptions.PublisherUrl;
        FSite.MenuPicture = Picture(FCatalogue.MenuPicture, "p_menu.jpg");
        FSite.IndexPicture = Picture(FCatalogue.IndexPicture, "p_spis.jpg");
        FSite.HasIndex = !FSite.IndexPicture.Href.empty();
        Intro(report);
        // Captions come from the caption list only when it lies in the catalogue.
        FCaptions = !FCatalogue.SignListFile.Exists() || Inside(FCatalogue.SignListFile.Path);
        if (!FCaptions)
            report.Warnings.push_back(FCatalogue.SignListFile.Path + ": warning: a link out of the catalogue, captions left out");
        for (TWalkPage& page : FCatalogue.Pages) {
            if (page.Page < 1 || page.Page > WebChapterCount) continue;
            TWebPage web;
            web.Page = page.Page;
            web.Picture = Picture(page.Picture, "p_" + Num(page.Page) + ".jpg");
            if (web.Picture.Href.empty()) continue;
            for (TWalkItem& item : page.ItemList) {
                if (!item.Reached) continue;
                TWebItem webItem;
                webItem.Item = item.Item;
                webItem.Picture = Picture(item.Picture, "p_" + Num(page.Page) + "_" + Num(item.Item) + ".jpg");
                if (webItem.Picture.Href.empty()) continue;
                for (const TWalkHotspot& h : item.Hotspots)
                    if (std::optional<TWebHotspot> spot = Hotspot(h, webItem.Picture)) webItem.Hotspots.push_back(*spot);
                web.Items.push_back(std::move(webItem));
            }
            Link(page, web);
            FSite.Chapters[static_cast<size_t>(page.Page - 1)] = web.Items.front().File;
            ++report.Pages;
            report.Items += static_cast<int32_t>(web.Items.size());
            FSite.Pages.push_back(std::move(web));
        }
        report.Signs = static_cast<int32_t>(FSigns.size());

        Add("index.html", MenuPageHtml(FSite));
        if (FSite.HasIndex) Add("spis.html", IndexPageHtml(FSite));
        for (const TWebPage& page : FSite.Pages)
            for (const TWebItem& item : page.Items) Add(item.File, ItemPageHtml(FSite, page, item));
        Add(SiteStyleSheetFile, SiteStyleSheet());
        Add(SiteScriptFile, SiteScript());
    }

    std::vector<TSiteFile>& Files() { return FFiles; }

private:
    void Add(std::string name, std::string bytes) { FFiles.push_back({std::move(name), std::move(bytes), {}}); }

    // A picture the site can show: it decodes (its header, at least), has no error of its own and
    // lies inside the data directory; it is copied under name, once whatever names reach it.
    TWebPicture Picture(const TCatalogueFile& file, const std::string& name) {
        if (!file.Exists() || FErrorPaths.contains(file.Path)) return {};
        const auto size = FChecked.PictureSizes.find(file.Path);
        if (size == FChecked.PictureSizes.end() || size->second.Width <= 0 || size->second.Height <= 0) return {};
        if (const auto copied = FCopied.find(file.Path); copied != FCopied.end())
            return {copied->second, size->second.Width, size->second.Height};
        if (!Inside(file.Path)) return {};
        FCopied.emplace(file.Path, name);
        FFiles.push_back({name, {}, file.Path});
        return {name, size->second.Width, size->second.Height};
    }

    // Names of the data directory and of its sign folder, as the walk built them, lie inside it
    // unless they are links; a sign's path is checked so already. Only links are followed here.
    bool Inside(const std::string& path) const {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0) return false;
        if (!S_ISLNK(info.st_mode)) return true;
        std::error_code error;
        const fs::path real = fs::canonical(path, error);
        return !error && !FRoot.empty() && Within(real, FRoot);
    }

    std::optional<TWebHotspot> Hotspot(const TWalkHotspot& h, const TWebPicture& picture) {
        const TRect r = RoundRect(h.Record.Rect);
        const int64_t width = int64_t(r.Right) - r.Left, height = int64_t(r.Bottom) - r.Top;
        // Too small to point at, or wholly outside the picture: the checker's errors.
        if (width <= 1 || height <= 1) return std::nullopt;
        if (r.Left >= picture.Width || r.Top >= picture.Height || r.Right <= 0 || r.Bottom <= 0) return std::nullopt;
        if (h.Record.Opis.empty() || h.Sign.Path.empty()) return std::nullopt;
        // The sign's own name on disk, made safe for a URL; one copy whatever names reach it.
        const std::string name = "znaki/" + UrlSafeName(Win1250ToUtf8(h.Record.Opis)) + ".jpg";
        const size_t before = FCopied.size();
        TWebPicture sign = Picture(h.Sign, name);
        if (sign.Href.empty()) return std::nullopt;
        if (FCopied.size() != before) FSigns.insert(sign.Href);
        TWebHotspot spot;
        // The last column and row of a hotspot are not hit.
        spot.Left = r.Left;
        spot.Top = r.Top;
        spot.Width = static_cast<int32_t>(width - 1);
        spot.Height = static_cast<int32_t>(height - 1);
        spot.Sign = FitIntoPreview(sign.Href, sign.Width, sign.Height);
        if (FCaptions) spot.Caption = Win1250ToUtf8(h.Caption);
        return spot;
    }

    // The pages of the items, their counters and the item links, which wrap round as the window's do;
    // an item that cannot be shown is stepped over.
    void Link(const TWalkPage& page, TWebPage& web) {
        if (web.Items.empty()) {
            // The page shows, its item view stays empty.
            TWebItem empty;
            empty.Item = 1;
            web.Items.push_back(std::move(empty));
        }
        const size_t n = web.Items.size();
        for (TWebItem& item : web.Items) item.File = "p_" + Num(page.Page) + "_" + Num(item.Item) + ".html";
        for (size_t i = 0; i < n; ++i) {
            TWebItem& item = web.Items[i];
            item.Next = web.Items[(i + 1) % n].File;
            item.Previous = web.Items[(i + n - 1) % n].File;
            item.Counter = Num(item.Item) + " / " + Num(page.Items);
        }
    }

    void Intro(TWebExportReport& report) {
        const TCatalogueFile& file = FCatalogue.IntroFile;
        if (!file.Exists() || FErrorPaths.contains(file.Path)) return;
        if (!Inside(file.Path)) {
            report.Warnings.push_back(file.Path + ": warning: a link out of the catalogue, left out");
            return;
        }
        std::string rtf;
        if (const int error = ReadBoundedFile(file.Path, MaxTextFileBytes, rtf); error != 0) {
            report.Warnings.push_back(file.Path + ": warning: " + FileErrorText(error) + ", left out");
            return;
        }
        if (!FOptions.IntroToHtml) {
            report.Warnings.push_back(file.Path + ": warning: no rich-text reader here, the introduction is left out");
            return;
        }
        FSite.IntroHtml = CleanRichTextHtml(FOptions.IntroToHtml(rtf));
    }

    const TWebExportOptions& FOptions;
    TCheckedCatalogue& FChecked;
    TCatalogue& FCatalogue;
    fs::path FRoot;
    std::set<std::string> FErrorPaths;
    bool FCaptions = true;
    std::unordered_map<std::string, std::string> FCopied;  // source path -> its name in the site
    std::set<std::string> FSigns;
    TWebSite FSite;
    std::vector<TSiteFile> FFiles;
};

// Refuses files of an earlier export's folder that the export did not write, and anything in the
// way that is no regular file; an empty text when all may be written.
std::string Obstacle(const std::string& out, const TOutState& state, const std::vector<TSiteFile>& files) {
    const auto kindAt = [](const std::string& path) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0) return 0;  // free
        return S_ISREG(info.st_mode) ? 1 : S_ISDIR(info.st_mode) ? 2 : 3;
    };
    const int signFolder = kindAt(out + "/znaki");
    if (signFolder != 0 && signFolder != 2) return out + "/znaki is in the way: it is no folder";
    if (!state.Exists) return {};
    if (kindAt(out + "/" + WebManifestFile) > 1) return out + "/" + WebManifestFile + " is in the way: it is no regular file";
    for (const TSiteFile& file : files) {
        const int kind = kindAt(out + "/" + file.Name);
        if (kind == 0) continue;
        if (kind != 1) return out + "/" + file.Name + " is in the way: it is no regular file";
        if (!state.Earlier.contains(file.Name))
            return out + "/" + file.Name + " was not written by the earlier export: nothing is replaced";
    }
    return {};
}

}  // namespace

TWebExportReport ExportWebSite(const TWebExportOptions& options) {
    TWebExportReport report;
    std::error_code error;
    const std::string out = options.OutDir.empty() ? std::string() : fs::path(options.OutDir).lexically_normal().string();
    if (out.empty()) {
        report.Error = "no folder to export to";
        return report;
    }
    const TOutState state = InspectOut(out, options.Force);
    if (!state.Error.empty()) {
        report.Error = state.Error;
        return report;
    }
    // The site and the catalogue must not meet, or one would be written into the other.
    const fs::path data = fs::canonical(options.DataDir, error);
    if (error) {
        report.Error = "no such directory: " + options.DataDir;
        return report;
    }
    const fs::path target = fs::weakly_canonical(out, error);
    if (error || Within(target, data) || Within(data, target)) {
        report.Error = "the site cannot lie in the catalogue's folder nor hold it: " + out;
        return report;
    }

    TCheckedCatalogue checked;
    const std::vector<TFinding> findings =
        CheckCatalogue(options.DataDir, options.Threads, TPictureCheck::HeaderOnly, &checked);
    for (const TFinding& f : findings)
        if (FindingSeverity(f.Code) == TSeverity::Error) report.Warnings.push_back(FindingWarning(f));
    TSitePlanner planner(options, checked, findings);
    planner.Plan(report);
    std::vector<TSiteFile>& files = planner.Files();

    if (std::string obstacle = Obstacle(out, state, files); !obstacle.empty()) {
        report.Error = std::move(obstacle);
        return report;
    }
    fs::create_directories(out + "/znaki", error);
    if (error) {
        report.Error = "cannot create " + out + "/znaki: " + error.message();
        return report;
    }

    // The manifest names every file this export may leave, before any is written: an export cut
    // short can still be replaced with --force.
    std::set<std::string> written;
    for (const TSiteFile& file : files) written.insert(file.Name);
    const auto manifestOf = [](const std::set<std::string>& names) {
        std::string text = std::string(WebManifestFile) + "\n";
        for (const std::string& name : names) text += name + "\n";
        return text;
    };
    std::set<std::string> either = written;
    either.insert(state.Earlier.begin(), state.Earlier.end());
    if (const int result = WriteBytes(out + "/" + WebManifestFile, manifestOf(either)); result != 0) {
        report.Error = out + "/" + WebManifestFile + ": " + FileErrorText(result);
        return report;
    }

    // One thread per folder: files made in one folder at once wait on its lock, and spin doing so.
    std::array<std::vector<TSiteFile*>, 2> folders;
    for (TSiteFile& file : files) folders[file.Name.starts_with("znaki/") ? 1 : 0].push_back(&file);
    std::mutex failures;
    std::string firstFailure;
    std::atomic<uint64_t> bytes{0};
    std::atomic<TCopyWay> way{TCopyWay::CopyRange};
    ParallelFor(folders.size(), options.Threads, [&](size_t folder) {
        for (TSiteFile* file : folders[folder]) {
            uint64_t copied = file->Bytes.size();
            const std::string path = out + "/" + file->Name;
            const int result = file->CopyFrom.empty() ? WriteBytes(path, file->Bytes) : CopyFile(file->CopyFrom, path, copied, way);
            bytes += copied;
            if (result != 0) {
                const std::lock_guard lock(failures);
                if (firstFailure.empty()) firstFailure = (file->CopyFrom.empty() ? path : file->CopyFrom) + ": " + FileErrorText(result);
            }
        }
    });
    if (!firstFailure.empty()) {
        report.Error = firstFailure;
        return report;
    }

    // Files of the earlier export that this one no longer has.
    for (const std::string& name : state.Earlier) {
        if (written.contains(name) || name == WebManifestFile) continue;
        const std::string path = out + "/" + name;
        if (struct stat info {}; ::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) ::unlink(path.c_str());
    }
    const std::string manifest = manifestOf(written);
    if (const int result = WriteBytes(out + "/" + WebManifestFile, manifest); result != 0) {
        report.Error = out + "/" + WebManifestFile + ": " + FileErrorText(result);
        return report;
    }
    report.Files = files.size() + 1;
    report.Bytes = bytes + manifest.size();
    report.Written = true;
    return report;
}

int RunWebExport(const TCommandLine& command, const std::string& defaultDataDir, const std::string& publisherUrl,
                 const TIntroToHtml& introToHtml, std::FILE* out, std::FILE* err) {
    TWebExportOptions options;
    options.DataDir = command.DataDir.empty() ? defaultDataDir : command.DataDir;
    options.OutDir = command.ExportDir;
    options.Force = command.Force;
    options.PublisherUrl = publisherUrl;
    options.IntroToHtml = introToHtml;
    std::error_code error;
    if (options.DataDir.empty() || !fs::is_directory(options.DataDir, error)) {
        std::fprintf(err, "velmora: no such directory: %s\n", options.DataDir.c_str());
        return ExitUsage;
    }
    const TWebExportReport report = ExportWebSite(options);
    for (const std::string& warning : report.Warnings) std::fprintf(err, "%s\n", warning.c_str());
    if (!report.Written) {
        std::fprintf(err, "velmora: %s\n", report.Error.c_str());
        return 1;
    }
    std::fprintf(out, "%s: %d pages, %d items, %d signs; %zu files, %llu bytes\n", options.OutDir.c_str(),
                 report.Pages, report.Items, report.Signs, report.Files, static_cast<unsigned long long>(report.Bytes));
    return 0;
}

}  // namespace velmora
