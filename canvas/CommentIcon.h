#pragma once

#include <QImage>

// The comment pin, drawn procedurally until the skin module supplies its picture. Everything
// about its look is in this one function.
QImage DrawCommentPinIcon();
