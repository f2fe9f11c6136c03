#pragma once
// Pictures of one colour written as JPEG files through Qt, and the tolerance such a colour comes back
// with after the lossy round trip.
#include <QImage>
#include <QString>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace velmora::testing {

inline void WriteFlatJpeg(const std::string& path, int width, int height, QRgb color) {
    TempDir::Write(path, "");
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    ASSERT_TRUE(image.save(QString::fromStdString(path), "JPG", 95)) << path;
}

inline bool NearColor(QRgb a, QRgb b, int tolerance) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

}  // namespace velmora::testing
