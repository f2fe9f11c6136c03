#include "app/intro_html.h"

#include <QTextDocument>

#include "toolkit/rtf_reader.h"

namespace velmora {

std::string IntroRtfToHtml(const std::string& rtf) {
    QTextDocument document;
    ReadRtf(rtf, document);
    return document.toHtml().toStdString();
}

}  // namespace velmora
