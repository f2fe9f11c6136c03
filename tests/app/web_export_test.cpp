#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/html_text.h"
#include "app/web_export.h"
#include "app/web_pages.h"
#include "tests/support/jpeg_encode.h"
#include "tests/support/temp_dir.h"

using namespace velmora;
using velmora::testing::TempDir;

namespace {

namespace fs = std::filesystem;

std::string Jpeg(int width, int height) { return velmora::testing::EncodeText({.Width = width, .Height = height}); }

// One page of two items; the first item's hotspots name a sign with a hostile caption, signs that
// lie outside the sign folder, and one too small to point at. The second item does not decode, and
// the index picture lies outside the catalogue.
void WriteHostileCatalogue(const std::string& d) {
    TempDir::Write(d + "p_menu.jpg", Jpeg(64, 48));
    TempDir::Write(d + "p_1.jpg", Jpeg(64, 48));
    TempDir::Write(d + "p_1_1.jpg", Jpeg(900, 700));
    TempDir::Write(d + "p_1_2.jpg", "no picture at all");
    TempDir::Write(d + "info.ini", "[1]\r\nItems=2\r\n");
    TempDir::Write(d + "1_1.ini",
                   "[info]\r\ncount=5\r\n"
                   "[1]\r\nleft=10\r\ntop=20\r\nwidth=30\r\nheight=40\r\nopis=Z\xB9 1\r\n"
                   "[2]\r\nleft=50\r\ntop=20\r\nwidth=30\r\nheight=40\r\nopis=../../outside\r\n"
                   "[3]\r\nleft=90\r\ntop=20\r\nwidth=30\r\nheight=40\r\nopis=/etc/passwd\r\n"
                   "[4]\r\nleft=130\r\ntop=20\r\nwidth=1\r\nheight=40\r\nopis=Z\xB9 1\r\n"
                   "[5]\r\nleft=170\r\ntop=20\r\nwidth=30\r\nheight=40\r\nopis=Z\xB9 1\r\n");
    TempDir::Write(d + "znaki/Z\xC4\x85 1.jpg", Jpeg(1600, 1200));
    TempDir::Write(d + "znaki.txt", "Z\xB9 1.jpg\t<script>alert(1)</script> \"Z\xB9\" & 'x'\r\n");
    TempDir::Write(d + "../outside.jpg", Jpeg(8, 8));
    // The index picture is a link out of the catalogue: the program would show it, the site does not.
    fs::create_symlink("../outside.jpg", d + "p_spis.jpg");
    TempDir::Write(d + "opis.rtf", "{\\rtf1 Hello}");
}

TWebExportOptions Options(const std::string& data, const std::string& out, bool force = false) {
    TWebExportOptions options;
    options.DataDir = data;
    options.OutDir = out;
    options.Force = force;
    options.PublisherUrl = "https://example.com/?a=1&b=\"2\"";
    // The program's reader needs Qt; this one shows the cleaner at work on what a reader returns.
    options.IntroToHtml = [](const std::string&) { return std::string("<p onclick=\"x()\">Hello<script>bad()</script></p>"); };
    return options;
}

std::vector<std::string> SiteFiles(const std::string& out) {
    std::vector<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(out))
        if (entry.is_regular_file()) names.push_back(fs::relative(entry.path(), out).string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST(HtmlText, EscapesAndNamesFiles) {
    EXPECT_EQ(HtmlEscape("<a href=\"x\">'&'</a>"), "&lt;a href=&quot;x&quot;&gt;&#39;&amp;&#39;&lt;/a&gt;");
    const struct {
        const char* In;
        const char* Out;
    } names[] = {
        {"A-12a", "A-12a"},        {"B 20", "B~2020"},          {"a/b", "a~2Fb"},
        {"a~2Fb", "a~7E2Fb"},      {".hidden", "~2Ehidden"},   {"x.y", "x.y"},
        {"Z\xC4\x85", "Z~C4~85"},  {"?#%\"<", "~3F~23~25~22~3C"},
    };
    for (const auto& row : names) EXPECT_EQ(UrlSafeName(row.In), row.Out) << row.In;
}

TEST(HtmlText, CleanerKeepsTextAndLooksOnly) {
    const struct {
        const char* In;
        const char* Out;
    } rows[] = {
        // Qt's own document shape: head and style go, body becomes a div, lengths follow the stage.
        {"<!DOCTYPE HTML><html><head><style>p{}</style></head><body style=\" font-family:'Tahoma';\">"
         "<p align=\"center\" style=\"margin-top:0px; -qt-block-indent:0; font-size:11pt;\">Hi</p></body></html>",
         "<div style=\"font-family:&#39;Tahoma&#39;;\"><p style=\"margin-top:calc(0 * var(--u));font-size:calc(11 * 4 "
         "/ 3 * var(--u));\" align=\"center\">Hi</p></div>"},
        {"<p onclick=\"x()\" onmouseover=y>a<script>alert(1)</script>b</p>", "<p>ab</p>"},
        {"<span style=\"color:red; background-image:url(javascript:x); color: expression(a)\">c</span>",
         "<span style=\"color:red;\">c</span>"},
        {"<a href=\"javascript:x()\">link</a><img src=x onerror=y>", "link"},
        {"</div></div><b>out</div>", "<b>out</b>"},
        {"&lt;script&gt; &amp;amp; &#60;&#x3C; &bogus; a < b", "&lt;script&gt; &amp;amp; &lt;&lt; &amp;bogus; a &lt; b"},
        {"<!-- <script> -->x<p style=\"color:#fff\" align=\"javascript\">y", "x<p style=\"color:#fff;\">y</p>"},
        {"<SCRIPT>a</SCRIPT >t<iframe src=x></iframe><style>*{}</style>", "t"},
        {"<p title=\"a>b\">q", "<p>q</p>"},
        {"<p style=\"x", ""},
    };
    for (const auto& row : rows) EXPECT_EQ(CleanRichTextHtml(row.In), row.Out) << row.In;
}

TEST(WebPages, SignFitsThePreviewAsTheWindowShowsIt) {
    const struct {
        int W, H, FitW, FitH;
    } rows[] = {{804, 591, 804, 591}, {805, 100, 804, 100}, {1600, 1200, 788, 591}, {100, 2000, 30, 591},
                {20, 10, 20, 10},     {1608, 1182, 804, 591}};
    for (const auto& r : rows) {
        const TWebPicture fitted = FitIntoPreview("s.jpg", r.W, r.H);
        EXPECT_EQ(fitted.Width, r.FitW) << r.W << " x " << r.H;
        EXPECT_EQ(fitted.Height, r.FitH) << r.W << " x " << r.H;
    }
}

TEST(WebExport, HostileCatalogueStaysTextAndInsideItsFolders) {
    TempDir temp;
    const std::string data = temp.Dir() + "dane/", out = temp.Dir() + "site";
    WriteHostileCatalogue(data);
    const TWebExportReport report = ExportWebSite(Options(data, out));
    ASSERT_TRUE(report.Written) << report.Error;

    // Only the site's own names; the undecodable item, the signs outside znaki/ and nothing else.
    EXPECT_EQ(SiteFiles(out), (std::vector<std::string>{"index.html", "p_1.jpg", "p_1_1.html", "p_1_1.jpg",
                                                        "p_menu.jpg", "site.css", "site.js", "velmora-manifest.txt",
                                                        "znaki/Z~C4~85~201.jpg"}));
    EXPECT_EQ(TempDir::Read(out + "/p_1_1.jpg"), TempDir::Read(data + "p_1_1.jpg"));
    EXPECT_EQ(TempDir::Read(out + "/znaki/Z~C4~85~201.jpg"), TempDir::Read(data + "znaki/Z\xC4\x85 1.jpg"));
    const auto warned = [&report](const char* code) {
        return std::any_of(report.Warnings.begin(), report.Warnings.end(),
                           [code](const std::string& w) { return w.find(code) != std::string::npos; });
    };
    for (const char* code : {"[picture-undecodable]", "[sign-outside]", "[sign-missing]", "[hotspot-tiny]"})
        EXPECT_TRUE(warned(code)) << code;

    const std::string page = TempDir::Read(out + "/p_1_1.html");
    const std::string caption = "&lt;script&gt;alert(1)&lt;/script&gt; &quot;Z\xC4\x85&quot; &amp; &#39;x&#39;";
    EXPECT_NE(page.find("title=\"" + caption + "\""), std::string::npos);
    EXPECT_EQ(page.find("<script>alert"), std::string::npos);
    // Two hotspots name the sign; the one of width 1 is left out. Both lead to one copy of it, at the
    // preview's size, hit without their last column and row; the only item links to itself.
    EXPECT_NE(page.find("href=\"znaki/Z~C4~85~201.jpg\" style=\"--x:10;--y:20;--w:29;--h:39\" data-w=\"788\" "
                        "data-h=\"591\""),
              std::string::npos);
    EXPECT_NE(page.find("--x:170;--y:20"), std::string::npos);
    EXPECT_EQ(page.find("--x:130;"), std::string::npos);
    EXPECT_NE(page.find("id=\"next\" href=\"p_1_1.html\""), std::string::npos);
    EXPECT_NE(page.find(">1 / 2</div>"), std::string::npos);
    const std::string menu = TempDir::Read(out + "/index.html");
    EXPECT_NE(menu.find("<p>Hello</p>"), std::string::npos);
    EXPECT_NE(menu.find("href=\"https://example.com/?a=1&amp;b=&quot;2&quot;\""), std::string::npos);
    EXPECT_NE(menu.find("href=\"p_1_1.html\" data-chapter=\"1\""), std::string::npos);
    EXPECT_EQ(menu.find("data-chapter=\"2\""), std::string::npos);
    EXPECT_EQ(menu.find("spis.html"), std::string::npos);
}

// A site on another file system than its catalogue (tmpfs here) is copied by another way than in
// place; the pictures must still arrive whole.
TEST(WebExport, PicturesArriveWholeOnAnotherFileSystem) {
    TempDir temp;
    struct stat data {}, shm {};
    if (::stat(temp.Dir().c_str(), &data) != 0 || ::stat("/dev/shm", &shm) != 0 || data.st_dev == shm.st_dev)
        GTEST_SKIP() << "no second file system at /dev/shm";
    const std::string dane = temp.Dir() + "dane/";
    WriteHostileCatalogue(dane);
    const std::string out = "/dev/shm/velmora-export-test-" + std::to_string(::getpid());
    const TWebExportReport report = ExportWebSite(Options(dane, out));
    const std::string item = TempDir::Read(out + "/p_1_1.jpg"), sign = TempDir::Read(out + "/znaki/Z~C4~85~201.jpg");
    fs::remove_all(out);
    ASSERT_TRUE(report.Written) << report.Error;
    EXPECT_EQ(item, TempDir::Read(dane + "p_1_1.jpg"));
    EXPECT_EQ(sign, TempDir::Read(dane + "znaki/Z\xC4\x85 1.jpg"));
}

TEST(WebExport, OutputFolderIsNewEmptyOrAnEarlierExport) {
    TempDir temp;
    const std::string data = temp.Dir() + "dane/", out = temp.Dir() + "site";
    WriteHostileCatalogue(data);

    TempDir::Write(out + "/mine.txt", "keep");
    TWebExportReport report = ExportWebSite(Options(data, out));
    EXPECT_FALSE(report.Written);
    EXPECT_NE(report.Error.find("is not empty"), std::string::npos) << report.Error;
    report = ExportWebSite(Options(data, out, true));
    EXPECT_FALSE(report.Written);
    EXPECT_NE(report.Error.find("no velmora-manifest.txt"), std::string::npos) << report.Error;
    EXPECT_EQ(SiteFiles(out), std::vector<std::string>{"mine.txt"});
    fs::remove(out + "/mine.txt");

    // The introduction and the captions are read only from inside the catalogue.
    TempDir::Write(temp.Dir() + "secret.txt", "Z\xB9 1.jpg\tsecret");
    fs::rename(data + "znaki.txt", temp.Dir() + "znaki.txt");
    fs::create_symlink("../secret.txt", data + "znaki.txt");
    fs::rename(data + "opis.rtf", temp.Dir() + "opis.rtf");
    fs::create_symlink("../secret.txt", data + "opis.rtf");
    report = ExportWebSite(Options(data, out));
    ASSERT_TRUE(report.Written) << report.Error;
    EXPECT_EQ(TempDir::Read(out + "/p_1_1.html").find("secret"), std::string::npos);
    EXPECT_EQ(TempDir::Read(out + "/index.html").find("Hello"), std::string::npos);
    EXPECT_EQ(report.Warnings.size(), 6u);  // four of the checker, the introduction and the captions
    fs::remove_all(out);

    ASSERT_TRUE(ExportWebSite(Options(data, out)).Written);
    // Again with --force: an earlier file of the export that is now stale goes, the author's stay.
    TempDir::Write(out + "/notes.txt", "mine");
    TempDir::Write(out + "/velmora-manifest.txt",
                   TempDir::Read(out + "/velmora-manifest.txt") + "p_9_9.html\n../outside.jpg\nnotes.txt~\n");
    TempDir::Write(out + "/p_9_9.html", "stale");
    // A link where the site has a file stops the export: nothing is written through it.
    fs::remove(out + "/p_1.jpg");
    fs::create_symlink(temp.Dir() + "victim", out + "/p_1.jpg");
    EXPECT_FALSE(ExportWebSite(Options(data, out)).Written);
    report = ExportWebSite(Options(data, out, true));
    EXPECT_FALSE(report.Written);
    EXPECT_NE(report.Error.find("p_1.jpg is in the way"), std::string::npos) << report.Error;
    fs::remove(out + "/p_1.jpg");
    report = ExportWebSite(Options(data, out, true));
    ASSERT_TRUE(report.Written) << report.Error;
    EXPECT_FALSE(fs::exists(out + "/p_9_9.html"));
    EXPECT_TRUE(fs::exists(out + "/notes.txt"));
    EXPECT_TRUE(fs::exists(temp.Dir() + "dane/../outside.jpg"));
    EXPECT_FALSE(fs::exists(temp.Dir() + "victim"));

    // A file the export did not write blocks it.
    fs::remove(out + "/site.css");
    TempDir::Write(out + "/site.css", "author's");
    TempDir::Write(out + "/velmora-manifest.txt", "index.html\n");
    report = ExportWebSite(Options(data, out, true));
    EXPECT_FALSE(report.Written);
    EXPECT_NE(report.Error.find("was not written by the earlier export"), std::string::npos) << report.Error;
    EXPECT_EQ(TempDir::Read(out + "/site.css"), "author's");

    // Nor inside the catalogue, nor over a file.
    EXPECT_FALSE(ExportWebSite(Options(data, data + "site")).Written);
    TempDir::Write(temp.Dir() + "file", "x");
    EXPECT_FALSE(ExportWebSite(Options(data, temp.Dir() + "file")).Written);
}

TEST(WebExport, CommandLine) {
    const struct {
        std::vector<const char*> Args;
        TCommandAction Action;
        const char* Error;
    } rows[] = {
        {{"velmora", "--export-html", "out"}, TCommandAction::ExportHtml, ""},
        {{"velmora", "--export-html=out", "--force", "--data", "/"}, TCommandAction::ExportHtml, ""},
        {{"velmora", "--export-html"}, TCommandAction::Fail, "option --export-html needs a folder to write the site into"},
        {{"velmora", "--force"}, TCommandAction::Fail, "option --force goes with --export-html"},
        {{"velmora", "--check", "--export-html", "x"}, TCommandAction::Fail,
         "options --check and --export-html do not go together"},
    };
    for (const auto& row : rows) {
        const TCommandLine command = ParseCommandLine(static_cast<int>(row.Args.size()), row.Args.data());
        EXPECT_EQ(command.Action, row.Action) << row.Args[1];
        EXPECT_EQ(command.Error, row.Error);
    }
    const char* args[] = {"velmora", "--export-html=out", "--force"};
    const TCommandLine command = ParseCommandLine(3, args);
    EXPECT_EQ(command.ExportDir, "out");
    EXPECT_TRUE(command.Force);
    EXPECT_NE(HelpText().find("--export-html OUT"), std::string::npos);
}
