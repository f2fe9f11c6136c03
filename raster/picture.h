#pragma once
// Pictures loaded from files. A TPicture holds one TGraphic, chosen by the file's extension through
// the picture-format registry; a graphic draws itself 1:1 into 32-bit rows.
//
// The registry is an ordered list of (extension, description, class). Lookups compare the lower-cased
// extension exactly and search from the last registered entry back to the first, so a later
// registration overrides an earlier one. The toolkit's own formats ("wmf", "emf", "ico", "bmp") are
// listed first for completeness but have no reader here; "jpeg" and "jpg" follow.
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "core/exception.h"
#include "raster/color32.h"

namespace velmora {

// A picture that cannot be read or used ("Unknown picture file extension (.%s)", library errors).
class EInvalidGraphic : public Exception {
public:
    using Exception::Exception;
};

// An operation the graphic does not support ("Cannot change the size of a JPEG image").
class EInvalidGraphicOperation : public Exception {
public:
    using Exception::Exception;
};

// A file that cannot be opened or read for loading: "Cannot open file "<name>". <reason>".
class EFileStreamOpenError : public Exception {
public:
    EFileStreamOpenError(const std::string& fileName, int error);
};

class TGraphic;
using TGraphicNotifyEvent = std::function<void(TGraphic* sender)>;

// A decodable picture. Width and Height are those of the pixels Draw produces.
class TGraphic {
public:
    TGraphic() = default;
    virtual ~TGraphic();
    TGraphic(const TGraphic&) = delete;
    TGraphic& operator=(const TGraphic&) = delete;

    virtual const char* ClassName() const = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual void SetWidth(int value) = 0;
    virtual void SetHeight(int value) = 0;
    bool Empty() const { return Width() == 0 || Height() == 0; }

    // Takes the whole content of a file or stream.
    virtual void LoadFromMemory(std::vector<uint8_t> bytes) = 0;
    // Reads everything from the stream's current position to its end.
    void LoadFromStream(std::istream& stream);
    // Reads the whole regular file once, at most MaxPictureFileBytes of it; EFileStreamOpenError when it
    // is no regular file, is larger, or cannot be opened or read.
    void LoadFromFile(const std::string& fileName);

    // Writes the picture with its top-left pixel at row 0, column 0 of the target, clipped to the
    // target. Rows are `width` pixels apart. Returns true when every pixel written has alpha 255.
    virtual bool Draw(TColor32* pixels, int width, int height) const = 0;

    TGraphicNotifyEvent OnChange;

protected:
    void Changed();
    // The content of the file named, for graphics whose errors name their file; LoadFromMemory by default.
    virtual void LoadFromFileBytes(std::vector<uint8_t> bytes, const std::string& fileName);
};

// A graphic class as the registry knows it; Create is empty for formats without a reader here.
struct TGraphicClass {
    const char* ClassName;
    std::unique_ptr<TGraphic> (*Create)();
};

extern const TGraphicClass TMetafileClass;
extern const TGraphicClass TIconClass;
extern const TGraphicClass TBitmapClass;

struct TPictureFormat {
    std::string Extension;  // lower case, without the dot
    std::string Description;
    const TGraphicClass* GraphicClass;
};

void RegisterPictureFormat(const std::string& extension, const std::string& description,
                           const TGraphicClass* graphicClass);
// The class registered last for the extension (compared lower-cased), or nullptr.
const TGraphicClass* FindPictureFormat(const std::string& extension);
// The registry in registration order, as a copy: formats may be registered at any time, on any thread.
std::vector<TPictureFormat> PictureFormats();

class TPicture;
using TPictureNotifyEvent = std::function<void(TPicture* sender)>;

// Holds at most one graphic; loading replaces it only when the new one loaded successfully.
class TPicture {
public:
    TPicture() = default;
    ~TPicture();
    TPicture(const TPicture&) = delete;
    TPicture& operator=(const TPicture&) = delete;

    // Chooses the class by extension and loads the file; on failure the old graphic stays.
    void LoadFromFile(const std::string& fileName);

    TGraphic* Graphic() const { return FGraphic.get(); }
    int Width() const { return FGraphic ? FGraphic->Width() : 0; }
    int Height() const { return FGraphic ? FGraphic->Height() : 0; }

    TPictureNotifyEvent OnChange;

private:
    void Changed();

    std::unique_ptr<TGraphic> FGraphic;
};

// The extension of a file name without its dot, "" when the last path component has none.
std::string PictureFileExtension(const std::string& fileName);

}  // namespace velmora
