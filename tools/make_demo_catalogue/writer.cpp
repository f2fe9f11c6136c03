#include "tools/make_demo_catalogue/writer.h"

#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QString>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "text/mem_ini_file.h"
#include "text/string_list.h"
#include "toolkit/code_page.h"
#include "tools/make_demo_catalogue/captions.h"
#include "tools/make_demo_catalogue/scenes.h"
#include "tools/make_demo_catalogue/screens.h"
#include "tools/make_demo_catalogue/signs.h"

namespace velmora::demo {

namespace {

QString Utf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

void SaveJpeg(const QImage& image, const std::string& path) {
    QImageWriter writer(QString::fromStdString(path), "jpg");
    writer.setQuality(85);
    if (!writer.write(image))
        throw EDemoWriteError("Cannot write picture \"" + path + "\". " + writer.errorString().toStdString());
}

// RTF text of a UTF-8 fragment: control characters escaped, code page 1250 bytes above 127 as \'hh.
std::string RtfText(std::string_view utf8) {
    std::string out;
    for (unsigned char c : ToWin1250(Utf8(utf8))) {
        if (c == '\\' || c == '{' || c == '}') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c >= 0x80) {
            char escape[5];
            std::snprintf(escape, sizeof escape, "\\'%02x", c);
            out += escape;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

QImage SignPicture(std::string_view name) {
    const QSize size = SignPictureSize(name);
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    const int margin = std::min(size.width(), size.height()) / 10;
    PaintSign(painter, name, FitSign(name, QRect(QPoint(0, 0), size).adjusted(margin, margin, -margin, -margin)));
    return image;
}

void WriteItem(const ItemInfo& item, const std::string& dir) {
    const ItemPicture picture = PaintItem(item);
    const std::string stem = std::to_string(item.Page) + "_" + std::to_string(item.Item);
    SaveJpeg(picture.Image, dir + "/p_" + stem + ".jpg");

    TMemIniFile ini(dir + "/" + stem + ".ini");
    ini.ClearAll();
    ini.SetNumber("info", "count", static_cast<int32_t>(picture.Signs.size()));
    int index = 0;
    for (const PlacedSign& sign : picture.Signs) {
        const std::string section = std::to_string(++index);
        ini.SetNumber(section, "width", sign.Rect.width());
        ini.SetNumber(section, "height", sign.Rect.height());
        ini.SetNumber(section, "top", sign.Rect.top());
        ini.SetNumber(section, "left", sign.Rect.left());
        ini.SetValue(section, "opis", sign.Name);
    }
    ini.SaveFile();
}

}  // namespace

std::string IntroductionRtf() {
    std::string rtf =
        "{\\rtf1\\ansi\\ansicpg1250\\deff0\\deflang1045"
        "{\\fonttbl{\\f0\\fswiss\\fcharset238 Tahoma;}{\\f1\\fswiss\\fcharset238 Verdana;}}\r\n"
        "{\\colortbl ;\\red80\\green99\\blue139;\\red200\\green20\\blue40;}\r\n";
    auto para = [&rtf](std::string_view formatting, std::initializer_list<std::string_view> runs) {
        rtf += "\\pard\\li240\\ri240";
        rtf += formatting;
        rtf += ' ';
        for (std::string_view run : runs) rtf += run.starts_with('\\') ? std::string(run) : RtfText(run);
        rtf += "\\par\r\n";
    };
    para("\\sa200\\qc\\cf1\\f1\\fs40\\b", {"Polskie znaki drogowe", "\\b0 "});
    para("\\sa120\\qc\\cf0\\f0\\fs24\\i", {"Ilustrowany katalog znaków i sygnałów drogowych", "\\i0 "});
    para("\\sa120\\qj\\f0\\fs22",
         {"Katalog zawiera ", "\\b ", "dziesięć rozdziałów", "\\b0 ",
          ": znaki ostrzegawcze, zakazu, nakazu, informacyjne, znaki kierunku i miejscowości, znaki uzupełniające, "
          "znaki przy przejazdach kolejowych, znaki poziome, sygnały świetlne oraz tabliczki do znaków."});
    para("\\sa120\\qj\\f0\\fs22",
         {"Każdy rozdział pokazuje kilka plansz i scen z drogi. Strzałki pod obrazem prowadzą do ",
          "\\i ", "poprzedniej", "\\i0 ", " i ", "\\i ", "następnej", "\\i0 ",
          " planszy, a licznik pośrodku mówi, która z nich jest widoczna."});
    para("\\sa120\\qj\\f0\\fs22",
         {"Wskaż znak na obrazie: gdy kursor zmieni się w dłoń, kliknij, aby zobaczyć znak w powiększeniu "
          "razem z jego ", "\\b ", "urzędową nazwą", "\\b0 ", ". Kliknięcie obrazu zamyka podgląd."});
    para("\\sa120\\qj\\f0\\fs22",
         {"Kształt i barwa mówią o znaczeniu znaku: ", "\\b ", "ostrzegawcze", "\\b0 ",
          " to żółte trójkąty z czerwoną obwódką, ", "\\b ", "zakazu", "\\b0 ",
          " – białe koła z czerwonym obrzeżem, ", "\\b ", "nakazu", "\\b0 ", " – niebieskie koła, a ",
          "\\b ", "informacyjne", "\\b0 ", " – niebieskie prostokąty. Oznaczenia takie jak ", "\\i ",
          "A-1", "\\i0 ", " czy ", "\\i ", "B-20", "\\i0 ", " to urzędowe numery znaków."});
    para("\\sa120\\ql\\f0\\fs22\\cf2",
         {"\\b ", "Uwaga:", "\\b0 ", " znaki ostrzegawcze ustawia się zwykle 150", "\\~", "–", "\\~",
          "300 m przed miejscem niebezpiecznym."});
    para("\\sa120\\qr\\cf1\\f0\\fs18\\i", {"Życzymy bezpiecznej jazdy!", "\\i0 "});
    rtf += "}\r\n";
    return rtf;
}

void WriteDemoCatalogue(const std::string& directory) {
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(directory) / "znaki", error);
    if (error) throw EDemoWriteError("Cannot create folder \"" + directory + "\". " + error.message());

    SaveJpeg(PaintMenu(), directory + "/p_menu.jpg");
    SaveJpeg(PaintIndex(), directory + "/p_spis.jpg");

    TMemIniFile info(directory + "/info.ini");
    info.ClearAll();
    for (int page = 1; page <= ChapterCount; ++page) {
        SaveJpeg(PaintPage(page), directory + "/p_" + std::to_string(page) + ".jpg");
        const auto items = Items(page);
        info.SetNumber(std::to_string(page), "Items", static_cast<int32_t>(items.size()));
        for (const ItemInfo& item : items) WriteItem(item, directory);
    }
    info.SaveFile();

    TStringList captions;
    for (const SignInfo& sign : Signs()) {
        SaveJpeg(SignPicture(sign.Name), directory + "/znaki/" + std::string(sign.Name) + ".jpg");
        captions.Add(std::string(sign.Name) + ".jpg\t" + ToWin1250(Utf8(sign.Caption)));
    }
    captions.SaveLines(directory + "/znaki.txt");

    const std::string text = IntroductionRtf();
    const std::string rtfPath = directory + "/opis.rtf";
    std::ofstream rtf(rtfPath, std::ios::binary | std::ios::trunc);
    rtf.write(text.data(), static_cast<std::streamsize>(text.size()));
    rtf.close();
    if (!rtf) throw EDemoWriteError("Cannot write \"" + rtfPath + "\".");
}

}  // namespace velmora::demo
