#pragma once
// TImageForm: the modal, borderless sign preview. The sign picture sits on white in a one-pixel black
// frame, above a dark band with the caption in bold white. A click anywhere on the picture area closes
// it; the band does not. Escape, Enter and Space close it too; Left and Right close it asking for the
// previous or next sign of the item. It lives for one preview: created, filled, shown modally, freed.
#include <QDialog>
#include <functional>

namespace velmora {

class TImgView32;
class TShape;
class TTransparentLabel;

class TImageForm : public QDialog {
public:
    static constexpr int ClientWidth = 806;
    static constexpr int ClientHeight = 657;

    // How the window was closed: the result of ShowModal.
    static constexpr int Closed = 1;
    static constexpr int ShowPrevious = 2;
    static constexpr int ShowNext = 3;

    explicit TImageForm(QWidget* parent = nullptr);

    // --- controls, in creation order -----------------------------------------------------------
    QWidget* ShowImg = nullptr;
    TShape* Shape1 = nullptr;
    TShape* Shape2 = nullptr;
    TShape* Shape3 = nullptr;
    TShape* Shape4 = nullptr;
    TTransparentLabel* OpisLabel = nullptr;
    TImgView32* ShowImage = nullptr;

    // A picture larger than the view in either direction is shrunk to fit, keeping its proportions;
    // anything else shows at its own size, centred.
    void FormShow();
    // Ends the modal loop with OK.
    void ShowImageClick();

    // Runs the window modally and returns its result. Tests may replace the modal loop: the hook gets
    // the filled window (FormShow already applied) and returns the result. An empty hook restores the
    // real loop; the previous hook is returned.
    int ShowModal();
    using TShowModalHook = std::function<int(TImageForm& form)>;
    static TShowModalHook SetShowModalHook(TShowModalHook hook);

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool FShownOnce = false;
};

}  // namespace velmora
