#include "EffectDlg.h"

#include "UbImgButton.h"
#include "UbSliderCtrl.h"

#include <algorithm>

namespace {

constexpr QRect kBrightnessRect(QPoint(17, 52), QPoint(252, 67)); // (17, 52)-(253, 68)
constexpr QRect kContrastRect(QPoint(17, 92), QPoint(252, 107)); // (17, 92)-(253, 108)
constexpr QPoint kApplyPos(62, 128);
constexpr QPoint kCancelPos(133, 128);

} // namespace

CEffectDlg::CEffectDlg(QWidget *parent)
    : CVmPopupDialog(kTemplateId, parent)
{
    setObjectName(QStringLiteral("effectDialog"));
}

bool CEffectDlg::OnInitDialog()
{
    CVmPopupDialog::OnInitDialog();
    // The background carries the title band, the slider names and the button frames.
    LoadBackground(kBackgroundId);
    SizeToBackground();

    m_applyButton = new CUbImgButton(this);
    m_applyButton->setObjectName(QStringLiteral("apply"));
    m_applyButton->SetControlId(kApplyId);
    m_applyButton->SetBitmap(kApplyBitmap, kApplyPos.x(), kApplyPos.y());
    m_cancelButton = new CUbImgButton(this);
    m_cancelButton->setObjectName(QStringLiteral("cancel"));
    m_cancelButton->SetControlId(kCancelId);
    m_cancelButton->SetBitmap(kCancelBitmap, kCancelPos.x(), kCancelPos.y());
    connect(m_applyButton, &QAbstractButton::clicked, this, &CEffectDlg::OnApply);
    connect(m_cancelButton, &QAbstractButton::clicked, this, &CEffectDlg::OnCancel);

    m_brightnessSlider = MakeSlider(kBrightnessId, kBrightnessRect, -255, 255, m_brightness);
    m_brightnessSlider->setObjectName(QStringLiteral("brightness"));
    m_contrastSlider = MakeSlider(kContrastId, kContrastRect, -100, 100, m_contrast);
    m_contrastSlider->setObjectName(QStringLiteral("contrast"));

    // Made while the dialog is being shown, so they are not shown with it.
    for (QWidget *child :
         {static_cast<QWidget *>(m_applyButton), static_cast<QWidget *>(m_cancelButton),
          static_cast<QWidget *>(m_brightnessSlider), static_cast<QWidget *>(m_contrastSlider)})
        child->show();
    return true;
}

CUbSliderCtrl *CEffectDlg::MakeSlider(int id, const QRect &rect, int minimum, int maximum,
                                      int position)
{
    auto *slider = new CUbSliderCtrl(this);
    slider->SetControlId(id);
    slider->SetNotifyMessage(kSliderMessage);
    slider->setGeometry(rect);
    slider->SetRange(minimum, maximum);
    slider->SetPos(position);
    slider->SetTrackBitmaps(198, 196, 200);
    slider->SetFilledTrackBitmaps();
    slider->SetThumbBitmap(202);
    // The slider posts its notifications, so the positions read here are the settled ones.
    connect(slider, &CUbSliderCtrl::Notification, this, [this](int code, int) { OnSlider(code); });
    return slider;
}

void CEffectDlg::OnSlider(int code)
{
    if (code == CUbSliderCtrl::kNotifyDragging)
        emit colourPreview(Brightness(), Contrast());
    else if (code == CUbSliderCtrl::kNotifyFinished)
        emit colourChanged(Brightness(), Contrast());
}

void CEffectDlg::showEvent(QShowEvent *event)
{
    CVmPopupDialog::showEvent(event);
    RememberOpeningValues();
}

void CEffectDlg::ResetSliders()
{
    SetValues(0, 0);
}

void CEffectDlg::SetValues(int brightness, int contrast)
{
    m_brightness = std::clamp(brightness, -255, 255);
    m_contrast = std::clamp(contrast, -100, 100);
    if (m_brightnessSlider) {
        m_brightnessSlider->SetPos(m_brightness);
        m_contrastSlider->SetPos(m_contrast);
    }
    RememberOpeningValues();
}

int CEffectDlg::Brightness() const
{
    return m_brightnessSlider ? m_brightnessSlider->GetPos() : m_brightness;
}

int CEffectDlg::Contrast() const
{
    return m_contrastSlider ? m_contrastSlider->GetPos() : m_contrast;
}

void CEffectDlg::RememberOpeningValues()
{
    m_openingBrightness = Brightness();
    m_openingContrast = Contrast();
}

void CEffectDlg::OnApply()
{
    emit applied();
    hide();
}

void CEffectDlg::OnCancel()
{
    const int brightness = m_openingBrightness;
    const int contrast = m_openingContrast;
    m_brightness = brightness;
    m_contrast = contrast;
    if (m_brightnessSlider) {
        m_brightnessSlider->SetPos(brightness);
        m_contrastSlider->SetPos(contrast);
    }
    emit cancelled(brightness, contrast);
    OnApply();
}

void CEffectDlg::reject()
{
    OnApply();
}
