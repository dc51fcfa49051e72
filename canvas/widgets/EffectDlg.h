#pragma once

#include "VmPopupDialog.h"

class CUbImgButton;
class CUbSliderCtrl;

// The small modeless popup with the brightness and contrast sliders. It never touches the
// canvas: the main window hears every change through the signals and routes it through its own
// operations (so a later undo sees one edit per finished change).
//
// colourPreview while a thumb is dragged, colourChanged once a change is finished (thumb
// released or a click on the track); both carry the two current slider values. Apply (and
// Escape or the close cross) emits applied and hides the popup; Cancel first puts the sliders
// back to the values they had when the popup was last shown, emits cancelled with them, then
// does what Apply does.
class CEffectDlg : public CVmPopupDialog
{
    Q_OBJECT
public:
    static constexpr int kTemplateId = 225;
    static constexpr int kBackgroundId = 243;
    static constexpr int kBrightnessId = 4098;
    static constexpr int kContrastId = 4097;
    static constexpr int kApplyId = 1092;
    static constexpr int kCancelId = 1010;
    static constexpr int kApplyBitmap = 245;
    static constexpr int kCancelBitmap = 246;
    static constexpr int kSliderMessage = 1077;

    explicit CEffectDlg(QWidget *parent = nullptr);

    // Both sliders to 0 (another photograph became current).
    void ResetSliders();
    // Sets the sliders and takes them as the values Cancel returns to.
    void SetValues(int brightness, int contrast);
    int Brightness() const;
    int Contrast() const;
    // The current values become the ones Cancel returns to (the main window shows the popup).
    void RememberOpeningValues();

    void OnApply();
    void OnCancel();

    CUbSliderCtrl *BrightnessSlider() const { return m_brightnessSlider; }
    CUbSliderCtrl *ContrastSlider() const { return m_contrastSlider; }
    CUbImgButton *ApplyButton() const { return m_applyButton; }
    CUbImgButton *CancelButton() const { return m_cancelButton; }

signals:
    void colourPreview(int brightness, int contrast);
    void colourChanged(int brightness, int contrast);
    void applied();
    void cancelled(int brightness, int contrast);

public slots:
    // Escape and the close cross keep the result, as Apply does.
    void reject() override;

protected:
    bool OnInitDialog() override;
    void showEvent(QShowEvent *event) override;

private:
    CUbSliderCtrl *MakeSlider(int id, const QRect &rect, int minimum, int maximum, int position);
    void OnSlider(int code);

    CUbSliderCtrl *m_brightnessSlider = nullptr;
    CUbSliderCtrl *m_contrastSlider = nullptr;
    CUbImgButton *m_applyButton = nullptr;
    CUbImgButton *m_cancelButton = nullptr;
    // The values before the sliders exist, and those Cancel returns to.
    int m_brightness = 0;
    int m_contrast = 0;
    int m_openingBrightness = 0;
    int m_openingContrast = 0;
};
