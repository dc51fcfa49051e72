#pragma once

// Base of every annotation object drawn over a photograph. Objects live in an owning
// annotation list (CDrMgr) and are destroyed through this base.
class CDrObject
{
public:
    CDrObject() = default;
    virtual ~CDrObject() = default;

    CDrObject(const CDrObject &) = delete;
    CDrObject &operator=(const CDrObject &) = delete;
};
