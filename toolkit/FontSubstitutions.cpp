#include "FontSubstitutions.h"

#include <QFont>
#include <QString>
#include <QStringList>

#include <mutex>

void InstallKoreanFontSubstitutions()
{
    static std::once_flag once;
    std::call_once(once, [] {
        const QStringList gothic
            = {QStringLiteral("NanumGothic"), QStringLiteral("Noto Sans CJK KR")};
        const QStringList gothicFixed
            = {QStringLiteral("NanumGothicCoding"), QStringLiteral("Noto Sans Mono CJK KR")};
        const QStringList myeongjo
            = {QStringLiteral("NanumMyeongjo"), QStringLiteral("Noto Serif CJK KR")};
        const QStringList modernGothic
            = {QStringLiteral("NanumBarunGothic"), QStringLiteral("NanumGothic"),
               QStringLiteral("Noto Sans CJK KR")};
        const struct
        {
            const char *face; // UTF-8
            const QStringList *faces;
        } table[] = {
            {"굴림", &gothic},
            {"Gulim", &gothic},
            {"굴림체", &gothicFixed},
            {"GulimChe", &gothicFixed},
            {"돋움", &gothic},
            {"Dotum", &gothic},
            {"돋움체", &gothicFixed},
            {"DotumChe", &gothicFixed},
            {"바탕", &myeongjo},
            {"Batang", &myeongjo},
            {"바탕체", &myeongjo},
            {"BatangChe", &myeongjo},
            {"궁서", &myeongjo},
            {"Gungsuh", &myeongjo},
            {"궁서체", &myeongjo},
            {"GungsuhChe", &myeongjo},
            {"맑은 고딕", &modernGothic},
            {"Malgun Gothic", &modernGothic},
        };
        for (const auto &row : table)
            QFont::insertSubstitutions(QString::fromUtf8(row.face), *row.faces);
    });
}
