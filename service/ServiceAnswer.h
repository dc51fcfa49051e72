#pragma once

#include "XmlDocument.h"

// One parsed XML answer of the service. The root is an empty node when the answer had none, so
// the actions can look their elements up without checks.
class CServiceAnswer
{
public:
    CServiceAnswer();
    CServiceAnswer(const CServiceAnswer &) = delete;
    CServiceAnswer &operator=(const CServiceAnswer &) = delete;

    CXmlDocument document;
    CXmlNodePtr root;
};
