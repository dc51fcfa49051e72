#pragma once

#include "CommentPropInfo.h"
#include "DrObject.h"

#include <QFont>
#include <QImage>

// A pin icon centred on an image point with a dark balloon of text below and to its right.
// The icon and the comment font are shared by every comment and made once, before the first
// comment is drawn (on first use unless the main window sets them earlier).
class CDrComment : public CDrObject
{
public:
    explicit CDrComment(CDrMgr *owner = nullptr)
        : CDrObject(owner)
    { }

    double X = 0, Y = 0; // centre of the icon, image pixels
    CCommentPropInfo Properties;

    QString Text() const { return Properties.Text; }
    void SetText(const QString &text) { Properties.Text = text; }

    int GetType() const override { return 3; }
    ScreenRect GetScreenRect(const ViewTransform &transform) const override;
    QRectF GetImageRect(const ViewTransform &transform) const override;
    void Draw(QPainter &painter, const ViewTransform &transform) const override;
    void DrawHandles(QPainter &painter, const ViewTransform &transform) const override;
    bool HitTest(const ViewTransform &transform, int screenX, int screenY, double imageX,
                 double imageY) const override;
    int HitTestHandle(const ViewTransform &transform, int screenX, int screenY, double imageX,
                      double imageY) const override;
    void Track(const ViewTransform &transform, int handle, int startX, int startY, int previousX,
               int previousY, int currentX, int currentY) override;
    void WriteXml(QString &out) const override;
    CBasePropInfo &GetProperties() override { return Properties; }
    CDrObject *CreateEmpty() const override { return new CDrComment(Owner); }
    void CopyFrom(const CDrObject &other) override;
    void Offset(double dx, double dy) override
    {
        X += dx;
        Y += dy;
    }

    // The balloon: 273 pixels wide, 24 high plus the text's wrapped height.
    ScreenRect GetBalloonRect(const ViewTransform &transform) const;

    // Shared resources. SetIcon replaces the icon (the skin's picture); a null image restores
    // the drawn pin.
    static void SetIcon(const QImage &icon);
    static const QImage &Icon();
    static int IconW() { return Icon().width(); }
    static int IconH() { return Icon().height(); }
    // "굴림" 10 pt, or the generic sans-serif face when it is missing.
    static const QFont &CommentFont();

    // The text as it may stand inside a CDATA section and read back unchanged: every "]]>"
    // splits the section, and characters XML cannot carry are dropped.
    static QString CDataSafe(const QString &text);
};
