#include "ImgFile.h"

void CImgFile::SetThumbnail(const QImage &image)
{
    thumbnail = image;
    width = image.isNull() ? 0 : image.width();
    height = image.isNull() ? 0 : image.height();
}

void CImgFile::Reset()
{
    sourcePath.clear();
    workingPath.clear();
    fileName.clear();
    thumbnail = QImage();
    MeasureX1 = MeasureY1 = MeasureX2 = MeasureY2 = 0;
    InputLength = 0;
    InputUnit = 0;
    LengthMm = 0;
    ImagePixelPerMilli = 0;
    width = height = 0;
    resizeFlag = 0;
    resizeScale = 0;
    timeStamp = QDateTime();
    annotations.RemoveAll();
}
