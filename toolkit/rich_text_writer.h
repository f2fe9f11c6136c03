#pragma once
// Appends paragraphs and runs of text to a QTextDocument within bounds that keep its layout quick.
//
// Qt lays a block out in time that grows with the square of its items (runs of one format, stretches
// of one script or writing direction, tabs) and with the square of the length of a word too long for
// a line, and its layout stops coming back once a document is about 2^23 pixels high. So a block holds
// at most MaxBlockItems items and no word longer than MaxWordLength characters (the rest of the
// paragraph goes on in a new block of the same look), and the writer stops taking text once the document has
// MaxRichTextCharacters characters, MaxRichTextParagraphs paragraphs, MaxRichTextItems items or an
// estimated height of MaxRichTextHeight pixels. What was taken before stays shown. No introduction
// written by hand comes near any of these.
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QtGlobal>

class QTextDocument;

namespace velmora {

inline constexpr qsizetype MaxRichTextCharacters = qsizetype(4) << 20;
inline constexpr int MaxRichTextParagraphs = 100000;
inline constexpr int MaxRichTextItems = 50000;
inline constexpr int MaxBlockItems = 500;
inline constexpr int MaxWordLength = 1000;
// Of the writer's estimate, which runs above the real height: a quarter of the height at which the
// layout breaks down.
inline constexpr double MaxRichTextHeight = 2097152.0;

class TRichTextWriter {
public:
    // Writes at the end of document inside one edit block, closed by the destructor.
    explicit TRichTextWriter(QTextDocument& document);
    ~TRichTextWriter();
    TRichTextWriter(const TRichTextWriter&) = delete;
    TRichTextWriter& operator=(const TRichTextWriter&) = delete;

    // Room for one more character of text; false once the document holds as many as it may.
    bool TakeCharacter();
    // Appends text in format to the current paragraph and gives the paragraph the look block.
    // Past a bound, only the text before it is appended.
    void AppendText(const QString& text, const QTextCharFormat& format, const QTextBlockFormat& block);
    // Ends the current paragraph with the look block; the next one starts with block and format.
    void EndParagraph(const QTextBlockFormat& block, const QTextCharFormat& format);
    // True once a bound is reached: the rest of the input is not worth reading.
    bool Full() const { return FFull || FCharacters >= MaxRichTextCharacters; }

private:
    // Counts one more item of the current block, first moving on to a new block when it is full;
    // false when the document may hold no more items.
    bool NewItem(const QTextBlockFormat& block, const QTextCharFormat& format);
    // Starts a new block, counted as a paragraph with its line and margins; false past a bound.
    bool StartBlock(const QTextBlockFormat& block, const QTextCharFormat& format, double lineHeight);
    bool AddHeight(double pixels);
    double LineHeight(const QTextCharFormat& format) const;

    QTextDocument& FDocument;
    QTextCursor FCursor;
    double FPixelsPerPoint;
    qsizetype FCharacters = 0;
    int FParagraphs = 0;
    int FItems = 0;
    int FBlockItems = 0;
    int FWordLength = 0;  // characters since the last place where a line may break
    double FHeight = 0;
    double FBlockLineHeight = 0;  // the tallest line of the current block
    bool FBlockHasText = false;
    QTextCharFormat FLastFormat;
    int FLastClass = 0;        // the item class of the last character written (see ItemClass)
    bool FRightToLeft = false;  // the last strongly directed character was right-to-left
    bool FFull = false;
};

}  // namespace velmora
