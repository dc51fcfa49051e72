#include "VmPopupDialog.h"

#include "Skin.h"
#include "SkinArt.h"
#include "UbImgButton.h"

#include <QAbstractButton>
#include <QChildEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QMutex>
#include <QMutexLocker>
#include <QPaintEvent>
#include <QPainter>
#include <QWindow>

const QColor CVmPopupDialog::kFaceColour(244, 244, 246);

namespace {

struct FrameStore
{
    QMutex lock;
    bool set = false;
    std::array<QImage, 8> pieces;
};

FrameStore &Frames()
{
    static FrameStore store;
    return store;
}

// Rounds like the platform's MulDiv: a × b / c to the nearest integer.
int MulDiv(int a, int b, int c)
{
    if (c == 0)
        return -1;
    const long long n = static_cast<long long>(a) * b;
    const long long half = (c > 0 ? c : -c) / 2;
    return static_cast<int>(((n >= 0) == (c > 0)) ? (n + (n >= 0 ? half : -half)) / c
                                                  : (n - (n >= 0 ? half : -half)) / c);
}

} // namespace

CVmPopupDialog::CVmPopupDialog(int templateId, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
    , m_templateId(templateId)
{
    CSkin::InstallFontSubstitutions(); // the title asks for 굴림
    // The popup paints its whole face; no erase in between.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(false);
}

void CVmPopupDialog::SetFramePieces(const std::array<QImage, 8> &pieces)
{
    FrameStore &store = Frames();
    QMutexLocker locker(&store.lock);
    store.pieces = pieces;
    store.set = true;
}

std::array<QImage, 8> CVmPopupDialog::FramePieces()
{
    FrameStore &store = Frames();
    QMutexLocker locker(&store.lock);
    if (!store.set) {
        store.pieces = CSkin::PopupFramePieces();
        store.set = true;
    }
    return store.pieces;
}

bool CVmPopupDialog::EnsureInitialised()
{
    if (!m_initialised) {
        m_initResult = OnInitDialog();
        m_initialised = true;
        Layout();
    }
    return m_initResult;
}

bool CVmPopupDialog::OnInitDialog()
{
    m_closeButton = new CUbImgButton(this);
    m_closeButton->SetControlId(kCloseButtonId);
    m_closeButton->setObjectName(QStringLiteral("closeButton"));
    m_closeButton->setFocusPolicy(Qt::NoFocus);
    m_closeButton->SetBitmap(157, 0, 0);
    m_closeButton->show();
    connect(m_closeButton, &QAbstractButton::clicked, this, &QDialog::reject);
    return true;
}

void CVmPopupDialog::SetTitle(const QString &title)
{
    m_title = title;
    update(QRect(0, 0, width(), kTitleBandHeight + 1));
}

void CVmPopupDialog::SetBackgroundImage(const QImage &image)
{
    m_background = image;
    update();
}

bool CVmPopupDialog::LoadBackground(int skinNumber)
{
    const QImage image = CSkin::Picture(skinNumber);
    if (image.isNull())
        return false;
    SetBackgroundImage(image);
    return true;
}

void CVmPopupDialog::SizeToBackground()
{
    if (!m_background.isNull())
        resize(m_background.size());
}

void CVmPopupDialog::SetOverlayImage(const QImage &image)
{
    m_overlay = image;
    update();
}

bool CVmPopupDialog::LoadOverlay(int skinNumber)
{
    const QImage image = CSkin::Picture(skinNumber);
    if (image.isNull())
        return false;
    SetOverlayImage(image);
    return true;
}

void CVmPopupDialog::Layout()
{
    if (!m_initialised || !m_closeButton)
        return;
    const QSize size = m_closeButton->size();
    m_closeButton->move(width() - size.width() - kBorder, (kTitleBandHeight - size.height()) / 2);
}

void CVmPopupDialog::Draw(QPainter &painter)
{
    if (!m_background.isNull()) {
        // Nothing erases under the popup: a picture smaller than the window gets the face
        // around it rather than whatever was there before.
        if (m_background.width() < width() || m_background.height() < height())
            painter.fillRect(rect(), kFaceColour);
        painter.drawImage(0, 0, m_background);
    } else {
        painter.fillRect(rect(), kFaceColour);
        CSkinArt::DrawFrame(painter, rect(), FramePieces());
    }
    if (!m_overlay.isNull())
        painter.drawImage(0, 0, m_overlay);
    if (!m_title.isEmpty())
        DrawTitle(painter);
}

void CVmPopupDialog::DrawTitle(QPainter &painter)
{
    painter.save();
    QFont font(QString::fromUtf8("굴림"));
    font.setPixelSize(MulDiv(10, logicalDpiY(), 72));
    font.setWeight(QFont::Normal);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.setBackgroundMode(Qt::TransparentMode);
    painter.drawText(QRect(QPoint(35, 0), QPoint(299, 24)),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, m_title);
    painter.restore();
}

bool CVmPopupDialog::IsCaptionPoint(const QPoint &clientPoint) const
{
    return clientPoint.y() >= 0 && clientPoint.y() < kTitleBandHeight;
}

bool CVmPopupDialog::event(QEvent *event)
{
    if (event->type() == QEvent::ChildPolished) {
        auto *child = qobject_cast<QWidget *>(static_cast<QChildEvent *>(event)->child());
        if (child)
            ApplyChildColours(child);
    }
    return QDialog::event(event);
}

void CVmPopupDialog::ApplyChildColours(QWidget *child)
{
    // Labels and plain buttons sit on the face with a transparent background; the image
    // buttons draw themselves and every other control keeps its own colours.
    if (qobject_cast<CUbImgButton *>(child))
        return;
    if (!qobject_cast<QLabel *>(child) && !qobject_cast<QAbstractButton *>(child))
        return;
    QPalette palette = child->palette();
    palette.setColor(QPalette::Window, kFaceColour);
    palette.setColor(QPalette::Button, kFaceColour);
    child->setPalette(palette);
    child->setAutoFillBackground(false);
}

void CVmPopupDialog::showEvent(QShowEvent *event)
{
    EnsureInitialised();
    QDialog::showEvent(event);
}

void CVmPopupDialog::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    if (m_initialised)
        Layout();
}

void CVmPopupDialog::paintEvent(QPaintEvent *event)
{
    QRegion clip = event->region();
    AdjustClip(clip);
    QPainter painter(this);
    painter.setClipRegion(clip);
    Draw(painter);
}

void CVmPopupDialog::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && IsCaptionPoint(event->position().toPoint())) {
        event->accept();
        // The window system moves the window where it places windows itself (Wayland allows
        // nothing else); where it cannot (the offscreen platform), the popup follows the mouse.
        if (windowHandle() && windowHandle()->startSystemMove())
            return;
        m_dragging = true;
        m_dragOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
        event->accept();
        return;
    }
    QDialog::mousePressEvent(event);
}

void CVmPopupDialog::mouseMoveEvent(QMouseEvent *event)
{
    if (m_dragging) {
        if (!(event->buttons() & Qt::LeftButton)) {
            m_dragging = false;
        } else {
            move(event->globalPosition().toPoint() - m_dragOffset);
            event->accept();
            return;
        }
    }
    QDialog::mouseMoveEvent(event);
}

void CVmPopupDialog::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_dragging && event->button() == Qt::LeftButton) {
        m_dragging = false;
        event->accept();
        return;
    }
    QDialog::mouseReleaseEvent(event);
}
