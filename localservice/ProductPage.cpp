#include "ProductPage.h"

namespace {

QString Html(const QString &text)
{
    return text.toHtmlEscaped();
}

QString Page(const QString &title, const QString &body)
{
    return QStringLiteral(
               "<!DOCTYPE html>\n<html lang=\"ko\">\n<head>\n<meta charset=\"utf-8\">\n"
               "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
               "<title>%1</title>\n<style>\n"
               "body{font-family:sans-serif;margin:2em auto;max-width:60em;color:#222}\n"
               "figure{display:inline-block;margin:0 1em 1em 0;vertical-align:top}\n"
               "img{max-width:100%;height:auto;border:1px solid #ccc}\n"
               ".explanation{white-space:pre-wrap}\n"
               "</style>\n</head>\n<body>\n%2</body>\n</html>\n")
        .arg(Html(title), body);
}

} // namespace

QByteArray CProductPage::Render(const CServiceItem &item, const QList<CProductPagePhoto> &photos,
                                bool preview)
{
    const QString title
        = item.itemNm.isEmpty() ? QStringLiteral("상품 %1").arg(item.itemId) : item.itemNm;
    QString body;
    body += QStringLiteral("<header>\n<h1>%1</h1>\n").arg(Html(title));
    if (!item.cateNm.isEmpty())
        body += QStringLiteral("<p class=\"category\">%1</p>\n").arg(Html(item.cateNm));
    if (preview)
        body += QStringLiteral("<p class=\"mode\">미리보기</p>\n");
    body += QStringLiteral("</header>\n");
    if (!item.explanation.isEmpty())
        body += QStringLiteral("<section class=\"explanation\">%1</section>\n")
                    .arg(Html(item.explanation));
    body += QStringLiteral("<section class=\"photos\">\n");
    for (int i = 0; i < photos.size(); ++i) {
        const CProductPagePhoto &photo = photos.at(i);
        body += QStringLiteral("<figure>\n<img src=\"%1\" alt=\"%2\">\n")
                    .arg(Html(photo.source), Html(QStringLiteral("사진 %1").arg(i + 1)));
        if (photo.measured)
            body += QStringLiteral(
                        "<figcaption class=\"size\">가로 %1 mm × 세로 %2 mm</figcaption>\n")
                        .arg(photo.widthMm, 0, 'f', 1)
                        .arg(photo.heightMm, 0, 'f', 1);
        else
            body += QStringLiteral("<figcaption class=\"size\">실측되지 않은 사진</figcaption>\n");
        body += QStringLiteral("</figure>\n");
    }
    body += QStringLiteral("</section>\n");
    return Page(title, body).toUtf8();
}

QByteArray CProductPage::NotFound()
{
    return Page(QStringLiteral("상품을 찾을 수 없습니다"),
                QStringLiteral("<h1>상품을 찾을 수 없습니다.</h1>\n"))
        .toUtf8();
}
