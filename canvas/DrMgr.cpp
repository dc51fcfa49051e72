#include "DrMgr.h"

#include "DrComment.h"

#include <memory>

CDrMgr::CDrMgr() = default;

CDrMgr::~CDrMgr() = default;

CDrObject *CDrMgr::FindObjectAt(const ViewTransform &transform, int screenX, int screenY,
                                double imageX, double imageY) const
{
    for (auto it = end(); it != begin();) {
        CDrObject *object = *--it;
        if (object->HitTest(transform, screenX, screenY, imageX, imageY))
            return object;
    }
    return nullptr;
}

bool CDrMgr::DeleteObject(CDrObject *object)
{
    const Position position = Find(object);
    if (position < 0)
        return false;
    delete RemoveAt(position);
    return true;
}

bool CDrMgr::DeleteIfEmptyComment(CDrObject *object)
{
    const auto *comment = dynamic_cast<const CDrComment *>(object);
    if (!comment || !comment->Text().isEmpty())
        return false;
    return DeleteObject(object);
}

void CDrMgr::Draw(QPainter &painter, const ViewTransform &transform) const
{
    for (const CDrObject *object : *this)
        object->Draw(painter, transform);
}

void CDrMgr::CopyList(const CDrMgr &source, CDrMgr &destination)
{
    if (&source == &destination)
        return; // emptying first would lose the source
    destination.RemoveAll();
    for (const CDrObject *object : source) {
        std::unique_ptr<CDrObject> copy(object->CreateEmpty());
        copy->CopyFrom(*object);
        destination.AddTail(copy.release());
    }
}

QString CDrMgr::WriteCommentList(const CDrMgr &list)
{
    if (list.IsEmpty())
        return QString();
    QString out = QStringLiteral("\t\t<comment>\r\n\t\t\t<list>\r\n");
    for (const CDrObject *object : list)
        object->WriteXml(out);
    out += QStringLiteral("\t\t\t</list>\r\n\t\t</comment>\r\n");
    return out;
}
