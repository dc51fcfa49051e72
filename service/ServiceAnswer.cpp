#include "ServiceAnswer.h"

CServiceAnswer::CServiceAnswer()
    : root(CXmlNode::Empty())
{ }
