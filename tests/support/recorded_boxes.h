#pragma once
// While alive, the program's warnings, error boxes and sign previews are recorded instead of shown,
// so a test drives the real windows without a modal loop. Warnings must be the editor's: the warning
// icon and the title "Warning". Each preview returns at once, after OnPreview has looked at it.
#include <QString>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/image_form.h"
#include "toolkit/application.h"
#include "toolkit/message_box.h"

namespace velmora::testing {

class TRecordedBoxes {
public:
    TRecordedBoxes() {
        FPreviousBox = SetMessageBoxHook([this](TMessageKind kind, const QString& title, const QString& text) {
            EXPECT_EQ(kind, TMessageKind::mkWarning);
            EXPECT_EQ(title, QStringLiteral("Warning"));
            Warnings.push_back(text);
        });
        FPreviousModal = TImageForm::SetShowModalHook([this](TImageForm& form) {
            Previews.push_back(form.OpisLabel->Caption());
            // The press that opened it must not keep the mouse from the preview.
            EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
            if (OnPreview) OnPreview(form);
            return 1;
        });
        FPreviousError = TApplication::Instance()->ErrorBox;
        TApplication::Instance()->ErrorBox = [this](const QString&, const QString& text) { Errors.push_back(text); };
    }
    ~TRecordedBoxes() {
        SetMessageBoxHook(FPreviousBox);
        TImageForm::SetShowModalHook(FPreviousModal);
        TApplication::Instance()->ErrorBox = FPreviousError;
    }
    TRecordedBoxes(const TRecordedBoxes&) = delete;
    TRecordedBoxes& operator=(const TRecordedBoxes&) = delete;

    std::vector<QString> Warnings;
    std::vector<QString> Errors;
    std::vector<std::string> Previews;  // the caption each preview carried
    std::function<void(TImageForm&)> OnPreview;

private:
    TMessageBoxHook FPreviousBox;
    TImageForm::TShowModalHook FPreviousModal;
    TApplication::TErrorBoxFunc FPreviousError;
};

}  // namespace velmora::testing
