#pragma once
// A read-only view of rich text: takes no input or focus, has no border, shows a white background,
// and keeps the text's own colours although the control is disabled.
#include <QTextEdit>
#include <string>

namespace velmora {

class TRichTextView : public QTextEdit {
public:
    explicit TRichTextView(QWidget* parent = nullptr);

    // Reads the file's bytes and shows them as RTF; false (and the view unchanged) when the file
    // cannot be read.
    bool LoadFromFile(const std::string& path);
    // Shows RTF held in memory.
    void LoadFromRtf(const std::string& rtf);

private:
    void SettleGeometry();
};

}  // namespace velmora
