#pragma once
// TWarstwaItem: a hotspot of an item picture. A rubber-band layer that also carries Opis, the name of
// its sign picture without ".jpg" (Windows-1250 bytes), which is also the key of its caption.
#include <string>

#include "layers/rubberband_layer.h"

namespace velmora {

class TWarstwaItem : public TRubberbandLayer {
public:
    using TRubberbandLayer::TRubberbandLayer;

    const char* ClassName() const override { return "TWarstwaItem"; }

    std::string Opis;
};

}  // namespace velmora
