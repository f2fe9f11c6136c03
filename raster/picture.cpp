#include "raster/picture.h"

#include <algorithm>
#include <istream>
#include <iterator>
#include <mutex>
#include <utility>

#include "core/bounded_file_read.h"
#include "raster/bitmap32.h"
#include "raster/jpeg_image.h"

namespace velmora {

EFileStreamOpenError::EFileStreamOpenError(const std::string& fileName, int error)
    : Exception("Cannot open file \"" + fileName + "\". " + FileErrorText(error)) {}

// ---------------------------------------------------------------------------------------------
// TGraphic

TGraphic::~TGraphic() = default;

void TGraphic::Changed() {
    if (OnChange) OnChange(this);
}

void TGraphic::LoadFromStream(std::istream& stream) {
    std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
    LoadFromMemory(std::move(bytes));
}

void TGraphic::LoadFromFile(const std::string& fileName) {
    std::vector<uint8_t> bytes;
    if (int e = ReadBoundedFile(fileName, MaxPictureFileBytes, bytes)) throw EFileStreamOpenError(fileName, e);
    LoadFromFileBytes(std::move(bytes), fileName);
}

void TGraphic::LoadFromFileBytes(std::vector<uint8_t> bytes, const std::string&) { LoadFromMemory(std::move(bytes)); }

// ---------------------------------------------------------------------------------------------
// Registry

// The toolkit's own formats: listed so that the registry reads as it always has, but nothing here
// reads such files, so they cannot be created.
const TGraphicClass TMetafileClass{"TMetafile", nullptr};
const TGraphicClass TIconClass{"TIcon", nullptr};
const TGraphicClass TBitmapClass{"TBitmap", nullptr};

namespace {

std::string LowerCase(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// Registration may come at any time, also while a worker decodes, so every use takes this lock.
std::mutex& RegistryLock() {
    static std::mutex lock;
    return lock;
}

std::vector<TPictureFormat>& Registry() {
    // Built once and thread-safely, since pictures may decode on two threads at a time. The decoders
    // of this system join right after the toolkit's formats, before any lookup.
    static std::vector<TPictureFormat> formats = [] {
        std::vector<TPictureFormat> list{
            {"wmf", "Metafiles", &TMetafileClass},
            {"emf", "Enhanced Metafiles", &TMetafileClass},
            {"ico", "Icons", &TIconClass},
            {"bmp", "Bitmaps", &TBitmapClass},
        };
        for (TPictureFormat& format : JpegPictureFormats()) list.push_back(std::move(format));
        return list;
    }();
    return formats;
}

}  // namespace

void RegisterPictureFormat(const std::string& extension, const std::string& description,
                           const TGraphicClass* graphicClass) {
    const std::lock_guard<std::mutex> lock(RegistryLock());
    Registry().push_back(TPictureFormat{LowerCase(extension), description, graphicClass});
}

const TGraphicClass* FindPictureFormat(const std::string& extension) {
    const std::string key = LowerCase(extension);
    const std::lock_guard<std::mutex> lock(RegistryLock());
    const auto& formats = Registry();
    for (auto it = formats.rbegin(); it != formats.rend(); ++it)
        if (it->Extension == key) return it->GraphicClass;
    return nullptr;
}

std::vector<TPictureFormat> PictureFormats() {
    const std::lock_guard<std::mutex> lock(RegistryLock());
    return Registry();
}

std::string PictureFileExtension(const std::string& fileName) {
    const size_t slash = fileName.find_last_of('/');
    const size_t dot = fileName.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::string();
    return fileName.substr(dot + 1);
}

// ---------------------------------------------------------------------------------------------
// TPicture

TPicture::~TPicture() = default;

void TPicture::Changed() {
    if (OnChange) OnChange(this);
}

void TPicture::LoadFromFile(const std::string& fileName) {
    const std::string extension = PictureFileExtension(fileName);
    const TGraphicClass* graphicClass = FindPictureFormat(extension);
    if (graphicClass == nullptr || graphicClass->Create == nullptr)
        throw EInvalidGraphic("Unknown picture file extension (." + extension + ")");
    std::unique_ptr<TGraphic> graphic = graphicClass->Create();
    graphic->LoadFromFile(fileName);  // on failure the old graphic stays
    FGraphic = std::move(graphic);
    FGraphic->OnChange = [this](TGraphic*) { Changed(); };
    Changed();
}

// ---------------------------------------------------------------------------------------------
// TBitmap32 from pictures

void TBitmap32::Assign(const TPicture* source) {
    if (source == nullptr || source->Graphic() == nullptr) {
        const auto bracket = ChangeBracket(*this);
        SetDimensions(0, 0);
        return;
    }
    AssignGraphic(*source->Graphic());
}

void TBitmap32::AssignGraphic(const TGraphic& graphic) {
    const auto bracket = ChangeBracket(*this);
    SetDimensions(graphic.Width(), graphic.Height());
    if (IsEmpty()) return;
    // No fill first: the graphic writes every pixel. When it vouches for their alpha the opacity
    // pass is skipped, but the change is still reported as that pass would report it.
    if (graphic.Draw(PixelData(), Width(), Height()))
        NotifyChanged();
    else
        MakeOpaque();
}

void TBitmap32::LoadPictureFile(const std::string& fileName) {
    TPicture picture;
    picture.LoadFromFile(fileName);
    Assign(&picture);
}

}  // namespace velmora
