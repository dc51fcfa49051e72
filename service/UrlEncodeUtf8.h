#pragma once

#include <QString>

// A query value as it goes on the wire: the text's UTF-8 bytes with every byte other than A–Z,
// a–z and 0–9 written as "%" and two upper-case hex digits (a space is %20, "&" is %26, each
// byte of a Hangul character its own triple). When the UTF-8 form is longer than byteLimit the
// result is empty, so an oversized value is never sent cut in half.
QString UrlEncodeUtf8(const QString &text, int byteLimit);
