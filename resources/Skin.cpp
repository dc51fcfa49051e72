#include "Skin.h"

#include "SkinArt.h"

#include <QFont>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>
#include <QPixmap>

#include <mutex>

using namespace SkinStyle;

namespace {

constexpr SkinKind B = SkinKind::Bitmap;
constexpr SkinKind P = SkinKind::Png;
constexpr SkinKind C = SkinKind::Cursor;

// Every numbered picture of the program. Sizes are those the windows place and cut them by;
// a strip's height is four state heights.
const SkinEntry kTable[] = {
    // Popup frame, loaded by the application in this order (top band 24, border 7).
    {B, 230, 13, 24, SkinRole::FramePiece, "", PopupFrame, 0},
    {B, 234, 164, 24, SkinRole::FramePiece, "", PopupFrame, 1},
    {B, 233, 9, 24, SkinRole::FramePiece, "", PopupFrame, 2},
    {B, 232, 7, 126, SkinRole::FramePiece, "", PopupFrame, 3},
    {B, 231, 7, 7, SkinRole::FramePiece, "", PopupFrame, 4},
    {B, 227, 170, 7, SkinRole::FramePiece, "", PopupFrame, 5},
    {B, 228, 7, 7, SkinRole::FramePiece, "", PopupFrame, 6},
    {B, 229, 7, 116, SkinRole::FramePiece, "", PopupFrame, 7},
    // Main window frame in the same roles: caption band 36 and toolbar down to the work area's
    // top margin 143, side borders 7, bottom 22.
    {B, 132, 7, 143, SkinRole::FramePiece, "", MainFrame, 0},
    {B, 136, 64, 143, SkinRole::FramePiece, "", MainFrame, 1},
    {B, 135, 7, 143, SkinRole::FramePiece, "", MainFrame, 2},
    {B, 134, 7, 64, SkinRole::FramePiece, "", MainFrame, 3},
    {B, 133, 7, 22, SkinRole::FramePiece, "", MainFrame, 4},
    {B, 129, 64, 22, SkinRole::FramePiece, "", MainFrame, 5},
    {B, 130, 7, 22, SkinRole::FramePiece, "", MainFrame, 6},
    {B, 131, 7, 64, SkinRole::FramePiece, "", MainFrame, 7},

    // Popup close cross and the common confirm / cancel pair.
    {B, 157, 13, 52, SkinRole::Strip, "", CloseCross, 0},
    {B, 226, 56, 88, SkinRole::Strip, "확인", ButtonPrimary, 0},
    {B, 225, 56, 88, SkinRole::Strip, "취소", ButtonLight, 0},

    // Main window toolbar, window buttons and top-row text buttons.
    {B, 151, 56, 128, SkinRole::Strip, "새파일", ButtonLight, 0},
    {B, 150, 80, 128, SkinRole::Strip, "불러오기", ButtonLight, 0},
    {B, 142, 78, 128, SkinRole::Strip, "상세정보", ButtonLight, 0},
    {B, 146, 64, 128, SkinRole::Strip, "저장", ButtonPrimary, 0},
    {B, 152, 26, 104, SkinRole::Strip, "R", Toggle, 0},
    {B, 258, 26, 104, SkinRole::Strip, "F", Toggle, 0},
    {B, 159, 90, 104, SkinRole::Strip, "실측측정", ButtonLight, 0},
    {B, 143, 72, 128, SkinRole::Strip, "자르기", Toggle, 0},
    {B, 154, 62, 128, SkinRole::Strip, "컬러", ButtonLight, 0},
    {B, 242, 70, 128, SkinRole::Strip, "텍스트", ButtonLight, 0},
    {B, 257, 80, 128, SkinRole::Strip, "프린트", ButtonLight, 0},
    {B, 179, 64, 128, SkinRole::Strip, "Select", Toggle, 0},
    {B, 178, 64, 128, SkinRole::Strip, "Pan", Toggle, 0},
    {B, 161, 44, 96, SkinRole::Strip, "추가", ButtonLight, 0},
    {B, 162, 44, 96, SkinRole::Strip, "삭제", ButtonLight, 0},
    {B, 155, 16, 208, SkinRole::Strip, "", ArrowGlyph, -1},
    {B, 156, 16, 208, SkinRole::Strip, "", ArrowGlyph, 1},
    {B, 163, 110, 96, SkinRole::Strip, "이미지 순서 설정", ButtonLight, 0},
    {B, 139, 18, 72, SkinRole::Strip, "", WindowGlyph, 0},
    {B, 138, 18, 72, SkinRole::Strip, "", WindowGlyph, 1},
    {B, 137, 18, 72, SkinRole::Strip, "", WindowGlyph, 2},
    {B, 310, 60, 80, SkinRole::Strip, "로그아웃", ButtonOnDark, 0},
    {B, 254, 60, 80, SkinRole::Strip, "미리보기", ButtonOnDark, 0},
    {B, 256, 60, 80, SkinRole::Strip, "퍼가기", ButtonOnDark, 0},
    {B, 255, 60, 80, SkinRole::Strip, "환경설정", ButtonOnDark, 0},

    // Measuring sheet toolbar (on the 37-pixel header tile).
    {B, 203, 100, 124, SkinRole::Strip, "가로 측정", Toggle, 0},
    {B, 205, 100, 124, SkinRole::Strip, "세로 측정", Toggle, 0},
    {B, 204, 84, 108, SkinRole::Strip, "회전", Toggle, 0},
    {B, 239, 84, 108, SkinRole::Strip, "상세정보", ButtonLight, 0},
    {B, 240, 84, 108, SkinRole::Strip, "길이입력", ButtonLight, 0},

    // Image order sheet: buttons 86 × 26 each state, header tile, hint.
    {B, 189, 86, 104, SkinRole::Strip, "취소", ButtonLight, 0},
    {B, 190, 86, 104, SkinRole::Strip, "확인", ButtonPrimary, 0},
    {B, 301, 86, 104, SkinRole::Strip, "원래대로", ButtonLight, 0},
    {B, 160, 85, 37, SkinRole::Tile, "", HeaderTile, 0},
    {B, 244, 374, 35, SkinRole::Picture, "썸네일을 끌어서 놓으면 순서가 바뀝니다.", Hint, 0},

    // Print sheet.
    {B, 286, 62, 88, SkinRole::Strip, "프린트속성", ButtonLight, 0},
    {B, 285, 62, 88, SkinRole::Strip, "프린트", ButtonPrimary, 0},
    {B, 284, 62, 88, SkinRole::Strip, "닫기", ButtonLight, 0},
    {B, 289, 40, 30, SkinRole::Picture, "프린터", Label, 0},
    {B, 288, 40, 30, SkinRole::Picture, "매수", Label, 0},
    {B, 290, 54, 30, SkinRole::Picture, "인쇄범위", Label, 0},
    {B, 287, 54, 30, SkinRole::Picture, "용지방향", Label, 0},
    {B, 291, 54, 30, SkinRole::Picture, "인쇄방식", Label, 0},

    // Properties window, its sheets and the comment panel.
    {B, 172, 270, 410, SkinRole::Background, "속성", Popup, 23},
    {B, 193, 58, 88, SkinRole::Strip, "텍스트", Tab, 0},
    {B, 192, 58, 88, SkinRole::Strip, "선", Tab, 0},
    {B, 206, 18, 72, SkinRole::Strip, "", Swatch, 0xFFFFFF},
    {B, 207, 18, 72, SkinRole::Strip, "", Swatch, 0x000000},
    {B, 208, 18, 72, SkinRole::Strip, "", Swatch, 0xC01A1A},
    {B, 209, 18, 72, SkinRole::Strip, "", Swatch, 0xF1B90D},
    {B, 210, 18, 72, SkinRole::Strip, "", Swatch, 0x415EB1},
    {B, 211, 18, 72, SkinRole::Strip, "", Swatch, 0x408D40},
    {B, 212, 18, 72, SkinRole::Strip, "", Swatch, 0x9C389C},
    {B, 213, 18, 72, SkinRole::Strip, "", Swatch, 0x939393},
    {B, 214, 18, 72, SkinRole::Strip, "", LineWidth, 1},
    {B, 215, 18, 72, SkinRole::Strip, "", LineWidth, 2},
    {B, 216, 18, 72, SkinRole::Strip, "", LineWidth, 3},
    {B, 217, 18, 72, SkinRole::Strip, "", LineWidth, 4},
    {B, 218, 18, 72, SkinRole::Strip, "", LineWidth, 5},
    {B, 219, 22, 72, SkinRole::Strip, "", AlignGlyph, 1},
    {B, 220, 22, 72, SkinRole::Strip, "", AlignGlyph, 2},
    {B, 221, 22, 72, SkinRole::Strip, "", AlignGlyph, 3},
    {B, 265, 240, 170, SkinRole::Background, "코멘트", Popup, 24},
    {B, 245, 66, 88, SkinRole::Strip, "적용", ButtonPrimary, 0},
    {B, 246, 66, 88, SkinRole::Strip, "취소", ButtonLight, 0},
    {B, 270, 66, 88, SkinRole::Strip, "삭제", ButtonLight, 0},

    // Colour effect dialog and its sliders (track pieces 53 × 16, thumb 14 × 16).
    {B, 243, 270, 175, SkinRole::Background, "컬러", Popup, 24},
    {B, 198, 53, 16, SkinRole::Track, "", TrackPiece, 0},
    {B, 196, 53, 16, SkinRole::Track, "", TrackPiece, 1},
    {B, 200, 53, 16, SkinRole::Track, "", TrackPiece, 2},
    {B, 199, 53, 16, SkinRole::Track, "", TrackPiece, 4 | 0},
    {B, 197, 53, 16, SkinRole::Track, "", TrackPiece, 4 | 1},
    {B, 201, 53, 16, SkinRole::Track, "", TrackPiece, 4 | 2},
    {B, 202, 14, 16, SkinRole::Thumb, "", Thumb, 0},
    // Main window zoom slider.
    {B, 261, 7, 15, SkinRole::Track, "", TrackPiece, 8 | 0},
    {B, 262, 25, 15, SkinRole::Track, "", TrackPiece, 8 | 1},
    {B, 263, 9, 15, SkinRole::Track, "", TrackPiece, 8 | 2},
    {B, 264, 13, 15, SkinRole::Thumb, "", Thumb, 1},

    // Login.
    {B, 235, 330, 190, SkinRole::Background, "로그인", Popup, 24},

    // Card calibration screen and monitor dialog.
    {B, 224, 340, 214, SkinRole::Picture, "", Card, 0},
    {B, 282, 360, 64, SkinRole::Picture,
     "실제 카드를 화면의 카드 위에 대고, 모서리를 끌어 크기를 맞추세요.", Instruction, 0},
    {B, 272, 390, 310, SkinRole::Background, "모니터 설정", Popup, 24},
    {B, 277, 46, 80, SkinRole::Strip, "목록", Toggle, 0},
    {B, 278, 70, 80, SkinRole::Strip, "직접입력", Toggle, 0},
    {B, 274, 110, 104, SkinRole::Strip, "카드로 설정", ButtonLight, 0},
    {B, 279, 64, 104, SkinRole::Strip, "확인", ButtonPrimary, 0},
    {B, 273, 64, 104, SkinRole::Strip, "취소", ButtonLight, 0},

    // Server item browser.
    {B, 312, 720, 470, SkinRole::Background, "불러오기", Popup, 24},
    {B, 309, 46, 92, SkinRole::Strip, "검색", ButtonLight, 0},
    {B, 308, 24, 72, SkinRole::Strip, "<<", ButtonLight, 0},
    {B, 307, 24, 72, SkinRole::Strip, "<", ButtonLight, 0},
    {B, 305, 24, 72, SkinRole::Strip, ">", ButtonLight, 0},
    {B, 306, 24, 72, SkinRole::Strip, ">>", ButtonLight, 0},

    // Item information and HTML editor (their titles are drawn by the popup frame).
    {B, 271, 560, 420, SkinRole::Background, "", Popup, 24},
    {B, 237, 46, 88, SkinRole::Strip, "추가", ButtonLight, 0},
    {B, 238, 46, 88, SkinRole::Strip, "삭제", ButtonLight, 0},
    {B, 311, 56, 88, SkinRole::Strip, "HTML", ButtonLight, 0},
    {B, 323, 630, 515, SkinRole::Background, "", Popup, 24},
    {B, 317, 30, 92, SkinRole::Strip, "B", ButtonLight, 0},
    {B, 318, 30, 92, SkinRole::Strip, "I", ButtonLight, 0},
    {B, 322, 30, 92, SkinRole::Strip, "U", ButtonLight, 0},
    {B, 320, 30, 92, SkinRole::Strip, "", AlignGlyph, 1},
    {B, 319, 30, 92, SkinRole::Strip, "", AlignGlyph, 2},
    {B, 321, 30, 92, SkinRole::Strip, "", AlignGlyph, 3},

    // Save options and share dialog.
    {B, 324, 420, 231, SkinRole::Background, "", Popup, 24},
    {B, 260, 540, 550, SkinRole::Background, "퍼가기", Popup, 24},
    {B, 268, 60, 88, SkinRole::Strip, "복사", ButtonLight, 0},
    {B, 269, 72, 104, SkinRole::Strip, "닫기", ButtonLight, 0},

    // PNG pictures.
    {P, 250, 24, 24, SkinRole::Picture, "", CommentPin, 0},
    {P, 293, 16, 16, SkinRole::Picture, "", Grip, 0},
    {P, 300, 120, 36, SkinRole::Picture, "모니터 크기", PictureButton, 0},
    {P, 299, 80, 36, SkinRole::Picture, "확인", PictureButton, 1},
    {P, 298, 80, 36, SkinRole::Picture, "취소", PictureButton, 0},
    {P, 194, 40, 40, SkinRole::Picture, "", RotateHandle, 0},
    {P, 316, 200, 200, SkinRole::Picture, "", Ring, 0},
    {P, 243, 60, 45, SkinRole::Picture, "", Badge, 0},
    {P, 303, 28, 48, SkinRole::Picture, "", BigArrow, -1},
    {P, 302, 28, 48, SkinRole::Picture, "", BigArrow, 1},

    // Cursors.
    {C, 164, 32, 32, SkinRole::Cursor, "", CursorGlyph, 0},
    {C, 165, 32, 32, SkinRole::Cursor, "", CursorGlyph, 1},
    {C, 249, 32, 32, SkinRole::Cursor, "", CursorGlyph, 2},
    {C, 251, 32, 32, SkinRole::Cursor, "", CursorGlyph, 3},
};

quint64 Key(int number, SkinKind kind)
{
    return (quint64(quint32(kind)) << 32) | quint32(number);
}

struct Cache
{
    QMutex lock;
    QHash<quint64, QImage> images;
    QHash<int, QCursor> cursors;
};

Cache &TheCache()
{
    static Cache cache;
    return cache;
}

} // namespace

const SkinEntry *CSkin::Find(int number, SkinKind kind)
{
    for (const SkinEntry &e : kTable) {
        if (e.number == number && e.kind == kind)
            return &e;
    }
    return nullptr;
}

bool CSkin::Has(int number, SkinKind kind)
{
    return Find(number, kind) != nullptr;
}

QImage CSkin::Picture(int number, SkinKind kind)
{
    const SkinEntry *entry = Find(number, kind);
    if (!entry)
        return {};
    InstallFontSubstitutions();
    Cache &cache = TheCache();
    QMutexLocker locker(&cache.lock);
    const quint64 key = Key(number, kind);
    auto it = cache.images.constFind(key);
    if (it != cache.images.constEnd())
        return *it;
    QImage image = CSkinArt::Render(*entry);
    cache.images.insert(key, image);
    return image;
}

QCursor CSkin::Cursor(int number)
{
    const SkinEntry *entry = Find(number, SkinKind::Cursor);
    if (!entry)
        return QCursor(Qt::ArrowCursor);
    const QImage image = Picture(number, SkinKind::Cursor);
    Cache &cache = TheCache();
    QMutexLocker locker(&cache.lock);
    auto it = cache.cursors.constFind(number);
    if (it != cache.cursors.constEnd())
        return *it;
    const QPoint hot = CSkinArt::CursorHotSpot(*entry);
    QCursor cursor(QPixmap::fromImage(image), hot.x(), hot.y());
    cache.cursors.insert(number, cursor);
    return cursor;
}

QList<QImage> CSkin::SplitStrip(const QImage &strip)
{
    if (strip.isNull() || strip.height() % 4 != 0)
        return {};
    const int h = strip.height() / 4;
    QList<QImage> states;
    for (int i = 0; i < 4; ++i)
        states.append(strip.copy(0, i * h, strip.width(), h));
    return states;
}

QList<QImage> CSkin::StripStates(int number)
{
    return SplitStrip(Picture(number));
}

std::array<QImage, 8> CSkin::PopupFramePieces()
{
    static const int kIds[8] = {230, 234, 233, 232, 231, 227, 228, 229};
    std::array<QImage, 8> pieces;
    for (int i = 0; i < 8; ++i)
        pieces[i] = Picture(kIds[i]);
    return pieces;
}

std::array<QImage, 8> CSkin::MainFramePieces()
{
    static const int kIds[8] = {132, 136, 135, 134, 133, 129, 130, 131};
    std::array<QImage, 8> pieces;
    for (int i = 0; i < 8; ++i)
        pieces[i] = Picture(kIds[i]);
    return pieces;
}

QList<SkinEntry> CSkin::Entries()
{
    return QList<SkinEntry>(std::begin(kTable), std::end(kTable));
}

QStringList CSkin::CaptionFamilies()
{
    return {QStringLiteral("NanumGothic"), QStringLiteral("Noto Sans CJK KR"),
            QStringLiteral("Noto Sans KR"), QStringLiteral("UnDotum")};
}

void CSkin::InstallFontSubstitutions()
{
    static std::once_flag once;
    std::call_once(once, [] {
        const QStringList gothic = CaptionFamilies();
        const QStringList serif
            = {QStringLiteral("NanumMyeongjo"), QStringLiteral("Noto Serif CJK KR"),
               QStringLiteral("NanumGothic")};
        const QStringList mono
            = {QStringLiteral("NanumGothicCoding"), QStringLiteral("Noto Sans Mono CJK KR"),
               QStringLiteral("NanumGothic")};
        // The faces the windows name, in Korean and in their Latin spellings.
        for (const char *face : {"굴림", "Gulim", "돋움", "Dotum", "둗움", "MS Shell Dlg",
                                 "MS Shell Dlg 2", "맑은 고딕", "Malgun Gothic"})
            QFont::insertSubstitutions(QString::fromUtf8(face), gothic);
        for (const char *face : {"바탕", "Batang", "궁서", "Gungsuh"})
            QFont::insertSubstitutions(QString::fromUtf8(face), serif);
        for (const char *face : {"굴림체", "GulimChe", "돋움체", "DotumChe"})
            QFont::insertSubstitutions(QString::fromUtf8(face), mono);
    });
}
